#include "app/UserManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace salvonix::gui {

QString userManualPath() {
  const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/../share/doc/salvonix/manual/index.html"));
  if (QFileInfo::exists(installed)) return installed;
#ifdef SALVONIX_DATA_DIR
  const QString inSourceTree = QStringLiteral(SALVONIX_DATA_DIR "/manual/index.html");
  if (QFileInfo::exists(inSourceTree)) return inSourceTree;
#endif
  return {};
}

}  // namespace salvonix::gui
