#pragma once
// A later launch's side of single-instance messaging (see InstanceProtocol.h).
// Needs a QCoreApplication; blocks the calling thread for at most timeoutMs.

#include <QString>

namespace salvonix::gui {

// What a launch asks of the running instance: kBringFrontMessage without a
// file, else the file's absolute path (the running instance has another
// working directory).
QString handOverMessage(const QString& fileArgument);

// Sends message to the running instance and waits until it confirms having
// read it. False when no instance is running, the message cannot be framed,
// or the instance does not answer within timeoutMs.
bool handOverToRunningInstance(const QString& message, int timeoutMs);

}  // namespace salvonix::gui
