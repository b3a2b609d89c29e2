#pragma once

class QWidget;

namespace salvonix::gui {

// Shows the window, restores it when minimised, raises it and asks the
// window system for the keyboard focus.
void bringMainWindowToFront(QWidget& window);

}  // namespace salvonix::gui
