#include "window_support.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QTest>

#include "ui/external_open.h"

#include <fstream>
#include <iterator>

#include "platform/paths.h"
#include "platform/socket.h"
#include "platform/text_codes.h"
#include "ui/qt_setup.h"

namespace ruz::testing {

using namespace Qt::StringLiterals;

UrlRecorder::UrlRecorder() {
  for (const QString &scheme : {u"file"_s, u"http"_s, u"https"_s})
    QDesktopServices::setUrlHandler(scheme, this, "Open");
}

UrlRecorder::~UrlRecorder() {
  for (const QString &scheme : {u"file"_s, u"http"_s, u"https"_s})
    QDesktopServices::unsetUrlHandler(scheme);
}

QPointer<QTimer> OnNextModal(std::function<void(QWidget *)> action, const QMetaObject *type) {
  auto *poll = new QTimer;
  poll->setInterval(1);
  QObject::connect(poll, &QTimer::timeout, [poll, action, type] {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (type && !modal->metaObject()->inherits(type)) return;
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start();
  return poll;
}

namespace {

// Records the next message box and clicks the button pick chooses (the first
// button when it gives none).
std::shared_ptr<SeenBox> AnswerBox(std::function<QAbstractButton *(QMessageBox *)> pick) {
  auto seen = std::make_shared<SeenBox>();
  seen->watch = OnNextModal([seen, pick](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
      ADD_FAILURE() << "expected a message box, got " << modal->metaObject()->className();
      modal->close();
      return;
    }
    seen->seen = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->defaultButton = box->standardButton(box->defaultButton());
    seen->flags = box->windowFlags();
    seen->overShownWindow = box->parentWidget() != nullptr && box->parentWidget()->isVisible();
    QAbstractButton *target = pick(box);
    if (!target && !box->buttons().isEmpty()) target = box->buttons().first();
    if (target) target->click();
  }, &QMessageBox::staticMetaObject);
  return seen;
}

}  // namespace

std::shared_ptr<SeenBox> AnswerNextBox(QMessageBox::StandardButton button) {
  return AnswerBox([button](QMessageBox *box) {
    return button == QMessageBox::NoButton ? static_cast<QAbstractButton *>(box->defaultButton())
                                           : box->button(button);
  });
}

std::shared_ptr<SeenBox> AnswerNextBoxWith(const QString &buttonName) {
  return AnswerBox(
      [buttonName](QMessageBox *box) { return box->findChild<QAbstractButton *>(buttonName); });
}

std::shared_ptr<SeenDialog> AnswerNextFileDialog(const QString &path) {
  auto seen = std::make_shared<SeenDialog>();
  OnNextModal([seen, path](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    if (!dialog) {
      ADD_FAILURE() << "expected a file dialog";
      modal->close();
      return;
    }
    seen->seen = true;
    seen->title = dialog->windowTitle();
    seen->filters = dialog->nameFilters();
    seen->preselected = dialog->selectedFiles();
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();  // QFileDialog hides accept()
  }, &QFileDialog::staticMetaObject);
  return seen;
}

int FreePort() {
  ListenResult probe = ListenTcp(0, 1);
  return probe.boundPort;
}

Fetch::Fetch(int port, std::string path) {
  thread_ = std::thread([this, port, path = std::move(path)] {
    Socket socket = ConnectTcp("127.0.0.1", static_cast<std::uint16_t>(port), 5000);
    if (socket.IsValid()) {
      socket.SetReceiveTimeout(20000);
      socket.SendAll("GET " + path + " HTTP/1.0\r\n\r\n");
      char buffer[4096];
      for (;;) {
        const RecvResult got = socket.Recv(buffer, sizeof buffer);
        if (got.status != RecvStatus::kOk || got.bytes == 0) break;
        reply_.append(buffer, got.bytes);
      }
    }
    done_ = true;
  });
}

Fetch::~Fetch() {
  if (thread_.joinable()) thread_.join();
}

bool WaitFor(const std::function<bool()> &done, int timeoutMs) {
  return QTest::qWaitFor(done, timeoutMs);
}

void WindowTest::SetUp() {
  // A private session: no desktop bus (so no tray host unless a test starts
  // one), a runtime directory of our own, and Qt's Japanese texts.
  static QTemporaryDir runtime;
  static const bool once = [] {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstallJapaneseQtTexts();
    return true;
  }();
  (void)once;
  ASSERT_TRUE(dir_.isValid());
  SetProgramDirectory(Utf8ToCp932(dir_.path().toStdString()));
  WriteFile("www/index.html", "<p>hello</p>");
  urls_ = std::make_unique<UrlRecorder>();
  // A modal still open after some seconds would hang the run: close it, fail.
  watchdog_.setInterval(500);
  QObject::connect(&watchdog_, &QTimer::timeout, [seenSince = std::make_shared<QElapsedTimer>(),
                                                 last = std::make_shared<QPointer<QWidget>>()] {
    QWidget *modal = QApplication::activeModalWidget();
    if (modal != last->data()) {
      *last = modal;
      seenSince->start();
      return;
    }
    if (modal && seenSince->elapsed() > 15000) {
      ADD_FAILURE() << "a modal was left open: " << modal->windowTitle().toStdString();
      modal->close();
    }
  });
  watchdog_.start();
}

void WindowTest::TearDown() {
  window_.reset();  // stops the server before anything else goes
  watchdog_.stop();
  urls_.reset();
}

std::string WindowTest::Home() const { return dir_.path().toStdString(); }

void WindowTest::WriteIni(const std::string &utf8) { WriteFile("ruz.ini", Utf8ToCp932(utf8)); }

void WindowTest::WriteFile(const std::string &relative, const std::string &bytes) {
  const std::string path = Home() + "/" + relative;
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string WindowTest::ReadFile(const std::string &relative) const {
  std::ifstream in(Home() + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string WindowTest::BasicIni(int port, const std::string &extra) const {
  return "[RUZ]\nsrvname=testhost\nport=" + std::to_string(port) +
         "\nroot=www/\nindex=index.html\nmaxconnect=64\nconnecttimeout=10\n" + extra;
}

MainWindow &WindowTest::Open(int updateDeadlineMs) {
  window_ = std::make_unique<MainWindow>(context_, settings_, updateDeadlineMs);
  window_->Opener().SetProgram({});  // through Qt's opener, which urls_ records
  window_->Create();
  window_->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  return *window_;
}

bool WindowTest::CloseWindow() {
  if (!window_) return false;
  window_->close();
  // The server stops off the GUI thread; the window goes once it has.
  return WaitFor([&] { return window_->IsClosed() && !window_->isVisible(); }, 30000);
}

QStringList WindowTest::Row(int row) {
  QStringList cells;
  for (int column = 0; column < kStatusColumns; ++column)
    cells << window_->Model().Cell(row, column);
  return cells;
}

}  // namespace ruz::testing
