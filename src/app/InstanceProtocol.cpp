#include "app/InstanceProtocol.h"

#include <QStandardPaths>
#include <QtEndian>

namespace salvonix::gui {

QString serverSocketPath() {
  const QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (runtimeDir.isEmpty()) return {};
  return runtimeDir + QLatin1Char('/') + QLatin1String(kServerName);
}

QByteArray encodeInstanceMessage(const QString& message) {
  const QByteArray body = message.toUtf8();
  if (body.isEmpty() || body.size() > kMaxMessageBytes) return {};
  QByteArray frame(kLengthPrefixBytes, '\0');
  qToBigEndian(static_cast<quint32>(body.size()), frame.data());
  return frame + body;
}

}  // namespace salvonix::gui
