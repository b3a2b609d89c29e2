#include "app/RunningInstance.h"

#include "app/InstanceProtocol.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>

namespace salvonix::gui {

QString handOverMessage(const QString& fileArgument) {
  if (fileArgument.isEmpty()) return QLatin1String(kBringFrontMessage);
  return QFileInfo(fileArgument).absoluteFilePath();
}

bool handOverToRunningInstance(const QString& message, int timeoutMs) {
  const QByteArray frame = encodeInstanceMessage(message);
  const QString path = serverSocketPath();
  if (frame.isEmpty() || path.isEmpty()) return false;

  const QDeadlineTimer deadline(timeoutMs);
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(deadline.remainingTime())) return false;
  socket.write(frame);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(deadline.remainingTime())) return false;
  }
  while (socket.bytesAvailable() == 0) {
    if (!socket.waitForReadyRead(deadline.remainingTime())) return false;
  }
  char answer = 0;
  return socket.getChar(&answer) && answer == kAcknowledgement;
}

}  // namespace salvonix::gui
