// The seven add/edit dialogs: required fields, limits, the CGI buttons, the pickers.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>

#include "options_fixture.h"
#include "ui/options/entry_dialog.h"

namespace ruz::testing {
namespace {

using namespace Qt::Literals::StringLiterals;

const std::string kArguments = "\"%filepath%\" \"%query%\"";

class EntryDialogTest : public OptionsTest {
 protected:
  EntryDialog &Open(ListKind kind, EntryBlock block = {}) {
    dialog_ = std::make_unique<EntryDialog>(nullptr, EntryDialogTemplate(kind), block, memory_);
    dialog_->show();
    return *dialog_;
  }

  // Presses OK; returns the warning shown, or "" when the dialog closed.
  QString PressOk() {
    QString warning;
    QPointer<QTimer> watch = OnModal(
        [&warning](QWidget *modal) {
          auto *box = qobject_cast<QMessageBox *>(modal);
          ASSERT_NE(box, nullptr);
          EXPECT_EQ(box->windowTitle(), u"エラー"_s);
          EXPECT_EQ(box->icon(), QMessageBox::Warning);
          warning = box->text();
          box->accept();
        },
        dialog_.get());
    Click(dialog_.get(), "ok");
    delete watch.data();  // still there when no warning came
    return warning;
  }

  // Opens the picker with browse and hands the file dialog to action.
  void Browse(std::function<void(QFileDialog *)> action) {
    OnModal(
        [action](QWidget *modal) {
          auto *files = qobject_cast<QFileDialog *>(modal);
          ASSERT_NE(files, nullptr);
          action(files);
        },
        dialog_.get());
    Click(dialog_.get(), "browse");
  }

  std::unique_ptr<EntryDialog> dialog_;
};

QStringList Patterns(QFileDialog *files) {
  auto *model = files->findChild<QFileSystemModel *>();
  return model ? model->nameFilters() : QStringList{u"<no model>"_s};
}

TEST_F(EntryDialogTest, RequiredFieldsAreTestedInOrderAndTheDialogStaysOpen) {
  struct Case {
    ListKind kind;
    Fields filled;
    QString warning;    // empty: accepted
    const char *focus;  // the field the warning names, which takes the focus
  };
  const Case cases[] = {
      {kCgiList, {{"fileheader", u"#!x"_s}}, u"拡張子を入力してください"_s, "extension"},
      {kAliasList, {}, u"サーバーパスを入力してください"_s, "serverpath"},
      {kAliasList, {{"serverpath", u"/a/"_s}}, u"ローカルパスを入力してください"_s, "localpath"},
      {kDenyList, {{"allow", u"*"_s}}, u"パスを入力してください"_s, "path"},
      {kDenyList, {{"path", u"/a/*"_s}}, QString(), nullptr},
      {kErrorPageList, {{"errfile", u"/e.html"_s}}, u"エラーコードを入力してください"_s, "errcode"},
      {kErrorPageList, {{"errcode", u"404"_s}}, u"表示ファイルを入力してください"_s, "errfile"},
      {kMimeList, {{"mimetype", u"t/x"_s}}, u"拡張子を入力してください"_s, "extension"},
      {kMimeList, {{"extension", u".x"_s}}, u"MIMEタイプを入力してください"_s, "mimetype"},
      {kUserList, {{"password", u"pw"_s}}, u"ユーザー名を入力してください"_s, "name"},
      {kUserList, {{"name", u"u"_s}}, QString(), nullptr},  // an empty password is fine
      {kAuthList, {}, u"認証名を入力してください"_s, "name"},
      {kAuthList, {{"name", u"r"_s}}, u"パスを入力してください"_s, "path"},
      {kAuthList, {{"name", u"r"_s}, {"path", u"/"_s}}, u"ユーザーを入力してください"_s, "user"},
      {kAuthList, {{"name", u"r"_s}, {"path", u"/"_s}, {"user", u"u"_s}}, QString(), nullptr},
  };
  for (const Case &c : cases) {
    EntryDialog &dialog = Open(c.kind);
    for (const auto &[name, text] : c.filled) Type(&dialog, name, text);
    EXPECT_EQ(PressOk(), c.warning) << c.kind << " " << c.warning.toStdString();
    EXPECT_EQ(dialog.isVisible(), !c.warning.isEmpty());
    if (c.focus) {
      ASSERT_NE(dialog.focusWidget(), nullptr);
      EXPECT_EQ(dialog.focusWidget()->objectName(), Name(c.focus)) << c.warning.toStdString();
    }
    for (const auto &[name, text] : c.filled) EXPECT_EQ(TextOf(&dialog, name), text);
  }
}

TEST_F(EntryDialogTest, EnterMeansOkWhicheverButtonHadTheFocus) {
  const EntryBlock filled[kListKindCount] = {
      {".pl", "", "perl"}, {"/a/", "a"},         {"/a/*", "", ""}, {"404", "e.html"},
      {".x", "t/x"},       {"u", "pw"},          {"r", "/", "u"},
  };
  for (int kind = 0; kind < kListKindCount; ++kind) {
    EntryDialog &dialog = Open(static_cast<ListKind>(kind), filled[kind]);
    QString opened;  // a file picker or a warning, which Enter must not bring up
    QPointer<QTimer> watch = OnModal(
        [&opened](QWidget *modal) {
          opened = QString::fromLatin1(modal->metaObject()->className());
          modal->close();
        },
        &dialog);
    EnterAfterVisitingEveryButton(&dialog, dialog.findChildren<QLineEdit *>().first());
    delete watch.data();
    EXPECT_EQ(opened.toStdString(), "") << kind;
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << kind;
    EXPECT_EQ(dialog.Block(), filled[kind]) << kind;
  }
}

// Typing right after 追加 goes into the first field; Tab walks the fields, the
// pickers, then OK and キャンセル; no dialog can be maximised.
TEST_F(EntryDialogTest, FocusStartsOnTheFirstFieldAndTabWalksFieldsThenButtons) {
  const std::pair<ListKind, QStringList> chains[] = {
      {kCgiList, {u"extension"_s, u"fileheader"_s, u"cmdline"_s, u"browse"_s, u"addArgs"_s}},
      {kAliasList, {u"serverpath"_s, u"localpath"_s, u"browse"_s}},
      {kDenyList, {u"path"_s, u"allow"_s, u"deny"_s}},
      {kErrorPageList, {u"errcode"_s, u"errfile"_s, u"browse"_s}},
      {kMimeList, {u"extension"_s, u"mimetype"_s}},
      {kUserList, {u"name"_s, u"password"_s, u"showPassword"_s}},
      {kAuthList, {u"name"_s, u"path"_s, u"user"_s}},
  };
  for (const auto &[kind, fields] : chains) {
    EntryDialog &dialog = Open(kind);
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QStringList walked;
    QWidget *at = dialog.focusWidget();
    for (int step = 0; at != nullptr && step < fields.size() + 2; ++step) {
      walked << at->objectName();
      QTest::keyClick(at, Qt::Key_Tab);
      at = dialog.focusWidget();
    }
    EXPECT_EQ(walked, (fields + QStringList{u"ok"_s, u"cancel"_s})) << kind;
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint)) << kind;
  }
}

TEST_F(EntryDialogTest, PasswordIsMaskedUntilShown) {
  EntryDialog &dialog = Open(kUserList, {"u", "secret"});
  auto *password = dialog.findChild<QLineEdit *>(u"password"_s);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(password->text(), u"secret"_s);
  auto *show = dialog.findChild<QCheckBox *>(u"showPassword"_s);
  ASSERT_NE(show, nullptr);
  show->click();
  EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
  show->click();
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.findChild<QLineEdit *>(u"name"_s)->echoMode(), QLineEdit::Normal);
}

TEST_F(EntryDialogTest, ErrorCodeIsStoredAsItsLeadingNumber) {
  const std::pair<QString, std::string> cases[] = {
      {u"40x"_s, "40"}, {u"abc"_s, "0"}, {u"-1"_s, "-1"}, {u"404"_s, "404"}};
  for (const auto &[typed, stored] : cases) {
    EntryDialog &dialog = Open(kErrorPageList);
    Type(&dialog, "errcode", typed);
    Type(&dialog, "errfile", u"/e.html"_s);
    EXPECT_EQ(PressOk(), QString());
    EXPECT_EQ(dialog.Block(), (EntryBlock{stored, "/e.html"})) << typed.toStdString();
  }
}

TEST_F(EntryDialogTest, ErrorPageFieldsOpenEmptyForAnAdd) {
  EntryDialog &add = Open(kErrorPageList, {"0", ""});
  EXPECT_EQ(TextOf(&add, "errcode"), QString());
  EXPECT_EQ(TextOf(&add, "errfile"), QString());
  EntryDialog &edit = Open(kErrorPageList, {"404", "/e/404.html"});
  EXPECT_EQ(TextOf(&edit, "errcode"), u"404"_s);
  EXPECT_EQ(TextOf(&edit, "errfile"), u"/e/404.html"_s);
}

TEST_F(EntryDialogTest, StandardArgumentsFollowTheCommandDirectly) {
  const std::pair<QString, std::string> cases[] = {{u"perl.exe "_s, "perl.exe " + kArguments},
                                                   {QString(), kArguments}};
  for (const auto &[typed, command] : cases) {
    EntryDialog &dialog = Open(kCgiList);
    Type(&dialog, "extension", u".pl"_s);
    Type(&dialog, "cmdline", typed);
    Click(&dialog, "addArgs");
    EXPECT_EQ(PressOk(), QString());
    EXPECT_EQ(dialog.Block()[2], command);
    EXPECT_EQ(kArguments.size(), 22u);
  }
}

TEST_F(EntryDialogTest, CommandGrownPastItsLimitByTheButtonsIsCutOnOk) {
  EntryDialog &dialog = Open(kCgiList);
  Type(&dialog, "extension", u".pl"_s);
  Type(&dialog, "cmdline", QString(240, u'a'));
  Click(&dialog, "addArgs");
  Click(&dialog, "addArgs");
  EXPECT_EQ(PressOk(), QString());
  EXPECT_EQ(dialog.Block()[2], (std::string(240, 'a') + kArguments).substr(0, 254));
}

TEST_F(EntryDialogTest, CgiPickerAppendsThePathAndRemembersIt) {
  const QString program = dir_.path() + u"/perl"_s;
  QFile(program).open(QIODevice::WriteOnly);
  EntryDialog &dialog = Open(kCgiList);
  Browse([&program](QFileDialog *files) {
    EXPECT_EQ(files->nameFilters(), (QStringList{u"実行ファイル (*)"_s,
                                                  u"すべてのファイル (*.*) (*)"_s}));
    EXPECT_EQ(Patterns(files), QStringList{u"*"_s});  // files without an extension too
    files->selectFile(program);
    static_cast<QDialog *>(files)->accept();  // public in QDialog
  });
  EXPECT_EQ(TextOf(&dialog, "cmdline"), program);
  EXPECT_EQ(memory_.cgiPickerPath, program);

  Browse([this](QFileDialog *files) {
    EXPECT_EQ(files->directory().absolutePath(), dir_.path());  // opens where it was left
    files->reject();
  });
  EXPECT_EQ(TextOf(&dialog, "cmdline"), program);
}

TEST_F(EntryDialogTest, ErrorPagePickerFiltersMatchEveryExtensionAndReplaceTheField) {
  const QString page = dir_.path() + u"/404.shtml"_s;
  QFile(page).open(QIODevice::WriteOnly);
  EntryDialog &dialog = Open(kErrorPageList);
  Type(&dialog, "errfile", u"old.html"_s);
  Browse([&page](QFileDialog *files) {
    EXPECT_EQ(Patterns(files), (QStringList{u"*.html"_s, u"*.htm"_s, u"*.shtml"_s}));
    auto *shown = files->findChild<QComboBox *>(u"fileTypeCombo"_s);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->itemText(0), u"HTMLファイル (*.html;*.htm;*.shtml)"_s);
    EXPECT_EQ(shown->itemText(2), u"すべてのファイル (*.*)"_s);
    files->selectNameFilter(files->nameFilters().at(2));
    EXPECT_EQ(Patterns(files), QStringList{u"*"_s});
    files->selectFile(page);
    static_cast<QDialog *>(files)->accept();  // public in QDialog
  });
  // Inside the program folder the choice is kept relative to it.
  EXPECT_EQ(TextOf(&dialog, "errfile"), u"404.shtml"_s);
  EXPECT_EQ(memory_.errorPagePickerPath, page);
}

TEST_F(EntryDialogTest, CancelReturnsTwoAndLeavesTheBlockUntouched) {
  EntryBlock block{".pl", "#!", "perl"};
  OnModal([](QWidget *dialog) {
    Type(dialog, "extension", u".cgi"_s);
    Click(dialog, "cancel");
  });
  EXPECT_EQ(RunEntryDialog(nullptr, kCgiList, block, memory_), 2);
  EXPECT_EQ(block, (EntryBlock{".pl", "#!", "perl"}));
}

}  // namespace
}  // namespace ruz::testing
