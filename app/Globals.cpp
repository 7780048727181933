// Program-wide state.
#include "app/Globals.h"

#include <QDir>
#include <QFile>

#include "document/FileIO.h"

std::int32_t RangeStart = 0;
std::int32_t RangeEnd = 0;
QString VersionText;
QString UpdateDateText;
QString MemoClipPath;
QString HelpFile;

QString DataFolder() {
  // The command line keeps its backup records in the same folder.
  QString folder = QFile::decodeName(QByteArray::fromStdString(FileIO::DataFolder()));
  QDir().mkpath(folder);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
