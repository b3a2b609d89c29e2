#pragma once
// How a second launch hands its request to the running application: one
// message per connection over a local socket in the user's runtime directory.
//
//   launch -> running   4-byte big-endian length N (1 <= N <= kMaxMessageBytes),
//                       then N bytes of UTF-8
//   running -> launch   the single byte kAcknowledgement once the message is read
//
// A length prefix rather than a line end, because a path may hold any character.
// Messages: kBringFrontMessage, kAlreadyRunningMessage, or an absolute path.

#include <QByteArray>
#include <QString>

namespace salvonix::gui {

inline constexpr char kServerName[] = "Kavix.Salvonix.server";
inline constexpr char kBringFrontMessage[] = "BringFront";
inline constexpr char kAlreadyRunningMessage[] = "AlreadyRunning";
inline constexpr qsizetype kLengthPrefixBytes = 4;
inline constexpr qsizetype kMaxMessageBytes = 64 * 1024;
inline constexpr char kAcknowledgement = 0x06;

// kServerName in Qt's runtime location: $XDG_RUNTIME_DIR when it is the
// user's own 0700 directory, else Qt's private per-user fallback. Empty when
// there is no usable directory.
QString serverSocketPath();

// The framed message; empty when the message is empty or too long to send.
QByteArray encodeInstanceMessage(const QString& message);

}  // namespace salvonix::gui
