// Page 1 "サーバー": server name, port, document root, connections, index files.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/options/dialog_buttons.h"
#include "ui/options/options_pages.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

QGroupBox *MakeFormGroup(const QString &title, QFormLayout *&form) {
  auto *group = new QGroupBox(title);
  form = new QFormLayout(group);
  return group;
}

QWidget *PathRow(QLineEdit *edit, const char *browseName, PickRequest request,
                 QString &lastChoice) {
  auto *box = new QWidget;
  auto *row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit, 1);
  auto *browse = new QPushButton(u"参照..."_s);
  browse->setObjectName(KeyName(browseName));
  TakeEnterWhileFocused(browse);
  row->addWidget(browse);
  QObject::connect(browse, &QPushButton::clicked, edit, [edit, request, &lastChoice]() mutable {
    request.lastChoice = lastChoice;
    const QString path = PickPath(edit->window(), request);
    if (path.isEmpty()) return;
    lastChoice = path;
    edit->setText(ProgramRelative(path));
    edit->setCursorPosition(0);
  });
  return box;
}

void EnableWhileChecked(QCheckBox *box, std::initializer_list<QWidget *> widgets) {
  const QList<QWidget *> list(widgets);
  auto apply = [list](bool on) {
    for (QWidget *widget : list) widget->setEnabled(on);
  };
  apply(box->isChecked());
  QObject::connect(box, &QCheckBox::toggled, box, apply);
}

OptionsPage *BuildServerPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  QFormLayout *server = nullptr;
  QGroupBox *serverGroup = MakeFormGroup(u"サーバー設定"_s, server);
  server->addRow(u"サーバー名 :"_s, AddTextEdit(*page, field::kSrvName));
  auto *portRow = new QHBoxLayout;
  QLineEdit *port = AddNumberEdit(*page, field::kPort);
  port->setMaximumWidth(port->fontMetrics().averageCharWidth() * 10);
  portRow->addWidget(port);
  portRow->addWidget(new QLabel(u"※ 通常は80"_s));
  portRow->addStretch();
  server->addRow(u"ポート番号: "_s, portRow);
  QLineEdit *root = AddTextEdit(*page, field::kRoot);
  server->addRow(u"ドキュメントルート :"_s,
                 PathRow(root, "browseRoot",
                         {u"ドキュメントルートのフォルダーを選択"_s,
                          FromCp932(LoadedText(field::kRoot, s)), QString(),
                          QString(), PickWhat::kFolder},
                         memory.folderPickerPath));
  QLineEdit *connections = AddNumberEdit(*page, field::kMaxConnect);
  connections->setMaximumWidth(port->maximumWidth());
  server->addRow(u"最大同時接続数 :"_s, connections);
  auto *keepAliveRow = new QHBoxLayout;
  QLineEdit *keepAlive = AddNumberEdit(*page, field::kKeepAlive);
  keepAlive->setValidator(
      new QIntValidator(field::kKeepAlive.minInt, field::kKeepAlive.maxInt, keepAlive));
  keepAlive->setMaximumWidth(port->maximumWidth());
  keepAliveRow->addWidget(keepAlive);
  keepAliveRow->addWidget(new QLabel(u"※ %1〜%2（0 は 1 接続 1 リクエスト）"_s.arg(
      field::kKeepAlive.minInt).arg(field::kKeepAlive.maxInt)));
  keepAliveRow->addStretch();
  server->addRow(u"キープアライブ（秒） :"_s, keepAliveRow);

  QFormLayout *index = nullptr;
  QGroupBox *indexGroup = MakeFormGroup(u"インデックス表示"_s, index);
  index->addRow(u"インデックスファイル :"_s, AddTextEdit(*page, field::kIndex));
  index->addRow(AddFlagBox(*page, field::kFileList,
                           u"インデックスファイルがない場合はインデックスリストを表示"_s));

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(serverGroup);
  layout->addWidget(indexGroup);
  layout->addStretch();
  return page;
}

}  // namespace ruz
