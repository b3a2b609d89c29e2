#pragma once
// Which preview a found file gets, by the extension of its name: a picture
// for what Qt's image readers decode, the player for what the multimedia
// backend plays, the character dump for anything else.

#include <QSet>
#include <QString>
#include <string_view>

#include "browse/PreviewData.h"

namespace salvonix::gui {

enum class PreviewKind { Other, Image, Movie, Folder };

// Lower-case extensions, without the dot.
const QSet<QString>& imageExtensions();
const QSet<QString>& movieExtensions();

// The text after the last "." of a name; empty when there is none.
QString extensionOf(std::string_view fileName);
PreviewKind previewKind(const PreviewTarget& target);
// Nikon raw files get their small preview pictures enlarged.
bool isNikonFile(std::string_view fileName);

}  // namespace salvonix::gui
