#pragma once
// The application's icons: file types drawn as labelled badges, drives and
// buttons from the desktop's icon theme with the style's own as fallback.

#include <QIcon>
#include <QString>

#include "scan/HDIR.h"

namespace salvonix::gui {

// A badge with the type's name, coloured by its category (1 image, 2 audio, 3 video).
QIcon typeIcon(const QString& name, int32_t category);
// The icon of a node in an outline: folder, or the badge of its file type.
QIcon nodeIcon(const HDIR& node);
QIcon driveIcon(bool removable);
// Named actions: "next", "back", "home", "exit", "scan", "stop", "pause", "resume", "save",
// "save info", "openscan", "view", "previous", "help", "about", "image".
QIcon actionIcon(const QString& action);
QIcon applicationIcon();
// The side panel's: a memory card, and a scan information file.
QIcon cardIcon();
QIcon scanInfoIcon();

}  // namespace salvonix::gui
