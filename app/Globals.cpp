// Program-wide state.
#include "app/Globals.h"

#include <QDir>
#include <QStandardPaths>

std::int32_t RangeStart = 0;
std::int32_t RangeEnd = 0;
QString VersionText;
QString UpdateDateText;
QString MemoClipPath;
QString HelpFile;

QString DataFolder() {
  QString folder = qEnvironmentVariable("KORVANE_HOME");
  if (folder.isEmpty()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  }
  QDir().mkpath(folder);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
