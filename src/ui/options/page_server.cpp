// Page 1 "サーバー": server name, port, document root, connections, index files.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/options/option_values.h"
#include "ui/options/options_pages.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

QGroupBox *MakeFormGroup(const QString &title, QFormLayout *&form) {
  auto *group = new QGroupBox(title);
  form = new QFormLayout(group);
  return group;
}

OptionsPage *BuildServerPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  QFormLayout *server = nullptr;
  QGroupBox *serverGroup = MakeFormGroup(u"サーバー設定"_s, server);
  server->addRow(u"サーバー名 :"_s, AddTextEdit(*page, "srvname", s.srvname, 254));
  auto *portRow = new QHBoxLayout;
  QLineEdit *port = AddNumberEdit(*page, "port", s.port, 63);
  port->setMaximumWidth(port->fontMetrics().averageCharWidth() * 10);
  portRow->addWidget(port);
  portRow->addWidget(new QLabel(u"※ 通常は80"_s));
  portRow->addStretch();
  server->addRow(u"ポート番号: "_s, portRow);
  server->addRow(u"ドキュメントルート :"_s, AddTextEdit(*page, "root", s.rootAsWritten, 259));
  QLineEdit *connections = AddNumberEdit(*page, "maxconnect", s.maxconnect, 63);
  connections->setMaximumWidth(port->maximumWidth());
  server->addRow(u"最大同時接続数 :"_s, connections);

  QFormLayout *index = nullptr;
  QGroupBox *indexGroup = MakeFormGroup(u"インデックス表示"_s, index);
  index->addRow(u"インデックスファイル :"_s, AddTextEdit(*page, "index", CommaForm(s.index), 254));
  index->addRow(AddFlagBox(*page, "filelist",
                           u"インデックスファイルがない場合はインデックスリストを表示"_s,
                           s.filelist));

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(serverGroup);
  layout->addWidget(indexGroup);
  layout->addStretch();
  return page;
}

}  // namespace ruz
