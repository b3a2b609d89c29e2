#pragma once
// Titles and texts of the application's alerts.

namespace salvonix::gui {

inline constexpr char kCannotOpenNowTitle[] = "Cannot open this scan info file now";
inline constexpr char kCannotOpenNowText[] =
    "The program is already running. For opening this scan info file either quit the program and then "
    "launch this file or open this file from the currently running program.";

}  // namespace salvonix::gui
