#include "app/BringToFront.h"

#include <QWidget>

namespace salvonix::gui {

void bringMainWindowToFront(QWidget& window) {
  window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace salvonix::gui
