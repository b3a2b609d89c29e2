#pragma once

#include <QString>

namespace salvonix::gui {

// The HTML user manual's index: installed beside the binary's prefix
// (<prefix>/share/doc/salvonix/manual), else the source tree's copy when run
// from a build directory. Empty when neither exists.
QString userManualPath();

}  // namespace salvonix::gui
