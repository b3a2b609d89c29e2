#include "app/MessageServer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStringDecoder>
#include <QVariant>
#include <QtEndian>

#include "app/InstanceProtocol.h"

namespace salvonix::gui {

namespace {

constexpr const char* kAnswered = "answered";


constexpr int kProbeTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 5000;

bool fail(const QString& reason) {
  qWarning().noquote().nospace() << " Error: " << reason;
  return false;
}

// Only a refused connection proves that nobody listens on the socket any
// more; a busy instance may merely be slow to accept.
bool socketIsStale(const QString& path) {
  QLocalSocket probe;
  probe.connectToServer(path);
  if (probe.waitForConnected(kProbeTimeoutMs)) {
    probe.abort();
    return false;
  }
  return probe.error() == QLocalSocket::ConnectionRefusedError;
}

}  // namespace

MYMessageServer::MYMessageServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  connect(server_, &QLocalServer::newConnection, this, &MYMessageServer::acceptClients);
}

bool MYMessageServer::serverMain() {
  const QString path = serverSocketPath();
  if (path.isEmpty()) return fail(QStringLiteral("no runtime directory for %1").arg(QLatin1String(kServerName)));
  // Two instances starting together must not both take the same stale socket
  // for their own, the second unlinking the first one's live socket.
  QLockFile lock(path + QStringLiteral(".lock"));
  if (!lock.tryLock(kLockTimeoutMs)) return fail(QStringLiteral("cannot lock %1.lock").arg(path));
  if (!listenReplacingStaleSocket(path)) return fail(QStringLiteral("%1: %2").arg(path, server_->errorString()));
  return true;
}

// No QLocalServer socket options here: with them Qt binds elsewhere and
// renames over the path, silently replacing a live instance's socket. The
// 0700 runtime directory keeps other users out instead.
bool MYMessageServer::listenReplacingStaleSocket(const QString& path) {
  if (server_->listen(path)) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError || !socketIsStale(path)) return false;
  QLocalServer::removeServer(path);
  return server_->listen(path);
}

void MYMessageServer::acceptClients() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    // Qt stops reading from the connection once a whole frame is buffered,
    // so a client cannot make the server hold more than that.
    client->setReadBufferSize(kLengthPrefixBytes + kMaxMessageBytes);
    if (_myListOfClients.size() == kMaxClients) {
      qWarning("Single-instance connection refused: %zu clients connected", kMaxClients);
      client->abort();
      client->deleteLater();
      continue;
    }
    _myListOfClients.push_back(client);
    connect(client, &QLocalSocket::readyRead, this, [this, client] { readMessage(client); });
    connect(client, &QLocalSocket::disconnected, this, [this, client] { connectionDidDie(client); });
  }
}

void MYMessageServer::readMessage(QLocalSocket* client) {
  if (client->state() != QLocalSocket::ConnectedState) return;  // answered already
  if (client->bytesAvailable() < kLengthPrefixBytes) return;
  const QByteArray prefix = client->peek(kLengthPrefixBytes);
  const quint32 length = qFromBigEndian<quint32>(prefix.constData());
  if (length == 0 || length > kMaxMessageBytes) {
    qWarning("Single-instance message of %u bytes refused", length);
    refuse(client);
    return;
  }
  if (client->bytesAvailable() < kLengthPrefixBytes + qint64{length}) return;
  client->skip(kLengthPrefixBytes);
  QStringDecoder fromUtf8(QStringDecoder::Utf8);
  const QString message = fromUtf8(client->read(length));
  if (fromUtf8.hasError()) {
    qWarning("Single-instance message refused: not UTF-8");
    refuse(client);
    return;
  }
  // Acknowledge before acting: acting may open a modal alert, and the
  // launch waiting for the answer must not take that for a hung instance.
  client->write(&kAcknowledgement, 1);
  client->flush();
  client->setProperty(kAnswered, true);
  client->disconnectFromServer();
  emit broadcastMessageString(message);
}

void MYMessageServer::refuse(QLocalSocket* client) {
  client->disconnect(this);
  client->abort();
  forget(client);
}

void MYMessageServer::connectionDidDie(QLocalSocket* client) {
  // Every client leaves after its answer; one that left before it broke off.
  if (!client->property(kAnswered).toBool()) qWarning("Connection broken");
  forget(client);
}

void MYMessageServer::forget(QLocalSocket* client) {
  std::erase(_myListOfClients, client);
  client->deleteLater();
}

}  // namespace salvonix::gui
