// 最近使ったファイル: the last ten documents opened or saved, kept in the data folder beside
// the histories, one file name a line.
#include <QAction>
#include <QFile>
#include <QMenu>

#include "app/Globals.h"
#include "app/Unmein.h"
#include "replace/History.h"

namespace {

std::vector<std::string> ReadRecent() {
  try {
    return History::ReadEntries(QFile::encodeName(TFmmein::RecentPath()).toStdString(),
                                TFmmein::kRecentFiles);
  } catch (const std::exception&) {
    return {};  // an unreadable list is an empty one
  }
}

}  // namespace

QString TFmmein::RecentPath() { return DataFolder() + QStringLiteral("recent.kvn"); }

void TFmmein::RememberRecent(const QString& FileName) {
  const QByteArray name = QFile::encodeName(FileName);
  if (name.contains('\n') || name.contains('\r')) return;  // one name a line
  std::vector<std::string> list = ReadRecent();
  History::AddRecent(list, name.toStdString(), kRecentFiles);
  try {
    History::WriteEntries(QFile::encodeName(RecentPath()).toStdString(), list);
  } catch (const std::exception&) {
    // The list is a convenience: a data folder that cannot be written loses nothing else.
  }
}

void TFmmein::FillRecentMenu() {
  Recent1->clear();
  const std::vector<std::string> list = ReadRecent();
  int number = 0;
  for (const std::string& entry : list) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(entry));
    QAction* item = Recent1->addAction(QStringLiteral("&%1 %2").arg(++number % 10).arg(name));
    item->setObjectName(QStringLiteral("RecentFile%1").arg(number));
    connect(item, &QAction::triggered, this, [this, name] { Run([&] { OpenRecent(name); }); });
  }
  if (list.empty()) Recent1->addAction(QStringLiteral("(なし)"))->setEnabled(false);
}

void TFmmein::OpenRecent(const QString& FileName) {
  if (HasDocument) {
    FcloseClick(Close1);
    if (HasDocument) return;  // the user kept the document
  }
  OpenDocument(FileName);
}
