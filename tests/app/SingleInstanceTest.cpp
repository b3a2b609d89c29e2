// Single-instance messaging inside one process: the running instance's server
// on the main thread, a later launch's hand-over on a thread of its own.

#include "app/InstanceMessages.h"
#include "app/InstanceProtocol.h"
#include "app/MessageServer.h"
#include "app/RunningInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace salvonix::gui;

namespace {

constexpr int kWaitMs = 20000;

// The launch side blocks, so it runs on a thread of its own while this one serves.
bool handOverFromLaterLaunch(const QString& message) {
  QEventLoop serving;
  bool handedOver = false;
  std::thread launch([&] {
    handedOver = handOverToRunningInstance(message, kWaitMs);
    QMetaObject::invokeMethod(&serving, &QEventLoop::quit, Qt::QueuedConnection);
  });
  serving.exec();
  launch.join();
  return handedOver;
}

// What a crashed instance leaves: a socket file nobody listens on.
bool leaveStaleSocket(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

bool serverClosesConnection(QLocalSocket& socket) {
  if (socket.state() == QLocalSocket::UnconnectedState) return true;
  QSignalSpy closed(&socket, &QLocalSocket::disconnected);
  return closed.wait(kWaitMs);
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Never the user's own runtime directory, where a real instance may listen.
    QVERIFY(runtimeDir_.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
    QCOMPARE(serverSocketPath(), runtimeDir_.path() + "/Kavix.Salvonix.server");
  }

  void init() { QLocalServer::removeServer(serverSocketPath()); }

  void messagesArriveAsTheirRequests() {
    MYMessageServer server;
    InstanceMessages messages;
    connect(&server, &MYMessageServer::broadcastMessageString, &messages, &InstanceMessages::dispatch);
    QSignalSpy bringFront(&messages, &InstanceMessages::bringFront);
    QSignalSpy alreadyRunning(&messages, &InstanceMessages::alreadyRunning);
    QSignalSpy openScanInfo(&messages, &InstanceMessages::openScanInfo);
    QVERIFY(server.serverMain());

    QVERIFY(handOverFromLaterLaunch("BringFront"));
    QVERIFY(handOverFromLaterLaunch("AlreadyRunning"));
    const QString path = QString::fromUtf8("/media/card/Recovery Info \u00e9\n2009.qsn");
    QVERIFY(handOverFromLaterLaunch(path));
    const QString longest(kMaxMessageBytes, QLatin1Char('/'));
    QVERIFY(handOverFromLaterLaunch(longest));
    QVERIFY(!handOverFromLaterLaunch(longest + QLatin1Char('/')));  // cannot be framed
    // Answered launches give their places back.
    for (std::size_t i = 0; i < MYMessageServer::kMaxClients; ++i) QVERIFY(handOverFromLaterLaunch("BringFront"));

    QCOMPARE(bringFront.count(), 1 + MYMessageServer::kMaxClients);
    QCOMPARE(alreadyRunning.count(), 1);
    QCOMPARE(openScanInfo.count(), 2);
    QCOMPARE(openScanInfo.at(0).at(0).toString(), path);
    QCOMPARE(openScanInfo.at(1).at(0).toString(), longest);
  }

  void classifiesMessagesAndLaunchArguments() {
    InstanceMessages messages;
    QSignalSpy bringFront(&messages, &InstanceMessages::bringFront);
    QSignalSpy openScanInfo(&messages, &InstanceMessages::openScanInfo);
    messages.dispatch("bringfront");  // only the exact word is a request
    messages.dispatch("BringFront");
    QCOMPARE(bringFront.count(), 1);
    QCOMPARE(openScanInfo.count(), 1);
    QCOMPARE(openScanInfo.at(0).at(0).toString(), QString("bringfront"));

    QCOMPARE(handOverMessage(""), QString("BringFront"));
    QCOMPARE(handOverMessage("cards/old.qsn"), QDir::current().absoluteFilePath("cards/old.qsn"));
    QCOMPARE(handOverMessage("/media/x/../old.qsn"), QString("/media/old.qsn"));
  }

  void staleSocketIsReplacedLiveOneKept() {
    QVERIFY(!handOverFromLaterLaunch("BringFront"));  // no socket at all
    QVERIFY(leaveStaleSocket(serverSocketPath()));
    QVERIFY(!handOverFromLaterLaunch("BringFront"));
    MYMessageServer running;
    QSignalSpy received(&running, &MYMessageServer::broadcastMessageString);
    QVERIFY(running.serverMain());

    MYMessageServer second;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^ Error: .*Kavix\\.Salvonix\\.server"));
    QVERIFY(!second.serverMain());
    QVERIFY(handOverFromLaterLaunch("BringFront"));
    QCOMPARE(received.count(), 1);
  }

  void oversizedMessageIsRefusedAtItsLengthPrefix() {
    MYMessageServer server;
    QSignalSpy received(&server, &MYMessageServer::broadcastMessageString);
    QVERIFY(server.serverMain());
    // Only the prefix is sent: a server waiting for (and buffering) the body never closes.
    QLocalSocket oversized;
    oversized.connectToServer(serverSocketPath());
    QVERIFY(oversized.waitForConnected(kWaitMs));
    char prefix[kLengthPrefixBytes];
    qToBigEndian(static_cast<quint32>(kMaxMessageBytes + 1), prefix);
    oversized.write(prefix, sizeof prefix);
    QTest::ignoreMessage(QtWarningMsg, "Single-instance message of 65537 bytes refused");
    QVERIFY(serverClosesConnection(oversized));
    QCOMPARE(received.count(), 0);
  }

 private:
  QTemporaryDir runtimeDir_;
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
