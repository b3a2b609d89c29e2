#pragma once
// The running application's end of single-instance messaging: a local server
// that receives the requests of later launches (see InstanceProtocol.h).

#include <QObject>
#include <QString>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace salvonix::gui {

class MYMessageServer : public QObject {
  Q_OBJECT

 public:
  // Each connected client may hold up to one frame in its read buffer; this
  // bounds what all of them together can make the server keep.
  static constexpr std::size_t kMaxClients = 16;

  explicit MYMessageServer(QObject* parent = nullptr);

  // Starts listening at serverSocketPath(). A socket left behind by a crashed
  // instance is replaced; one another instance still answers on is kept, and
  // registration fails. On failure logs " Error" with the reason and returns
  // false: the application then runs without single-instance messaging.
  bool serverMain();

 signals:
  // One complete message of a client, on the thread that owns the server.
  void broadcastMessageString(const QString& message);

 private:
  bool listenReplacingStaleSocket(const QString& path);
  void acceptClients();
  void readMessage(QLocalSocket* client);
  void refuse(QLocalSocket* client);
  void connectionDidDie(QLocalSocket* client);
  void forget(QLocalSocket* client);

  QLocalServer* server_;
  std::vector<QLocalSocket*> _myListOfClients;  // connected clients, at most kMaxClients
};

}  // namespace salvonix::gui
