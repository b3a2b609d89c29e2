// The application on the desktop: single-instance messaging, later launches of the real
// program handing their request over, the scan information MIME type, desktop entry and manual.

#include "app/AppController.h"
#include "app/InstanceMessages.h"
#include "app/InstanceProtocol.h"
#include "app/InstanceWiring.h"
#include "app/MainWindow.h"
#include "app/MessageServer.h"
#include "app/RunningInstance.h"
#include "app/UserManual.h"
#include "gui-support/GuiFixture.h"
#include "output/ScanInfoContext.h"
#include "output/ScanInfoWriter.h"
#include "support/SampleJpeg.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace salvonix;
using namespace salvonix::gui;

namespace {

// Only against hangs: a launch that hands over ends within a few seconds.
constexpr int kWaitMs = 20000;

const QString kDataDir = QStringLiteral(SALVONIX_SOURCE_DIR "/data");
const QString kScanInfoType = QStringLiteral("application/x-salvonix-scan-info");

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

// Runs the program in folder while this process keeps its event loop going,
// as the running instance must to answer; true when it ended by itself with 0.
bool launchEndsWithZero(const QStringList& arguments, const QString& folder) {
  QProcess launch;
  launch.setProcessChannelMode(QProcess::ForwardedChannels);
  launch.setWorkingDirectory(folder);
  QSignalSpy finished(&launch, &QProcess::finished);
  launch.start(QStringLiteral(SALVONIX_GUI_BINARY), arguments);
  if (!finished.wait(kWaitMs)) {
    launch.kill();
    launch.waitForFinished();
    return false;
  }
  return launch.exitStatus() == QProcess::NormalExit && launch.exitCode() == 0;
}

// The scan information of a card image with three JPEG photos; empty on failure.
QString writeScanInfo(const test::TempDir& dir) {
  const std::string image = dir.file("card.img");
  const test::TestImage card(image, 1 << 20);
  for (uint32_t sector : {64, 300, 900}) card.putAtSector(sector, test::sampleJpeg(20000, sector));
  test::ScanRun scan(image, {FileType::Jpg});
  scan.context.selectedDrive = "card.img";
  scan.context.selectedDriveSize = 1 << 20;
  scan.run();
  if (scan.found().size() != 3) return {};
  const ScanInfoWriteResult written =
      saveScanInfo(dir.file("card-info"), scanInfoDriveOf(scan.context), *scan.engine.dirRoot());
  return written.error ? QString() : QString::fromStdString(written.path);
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Never the user's own runtime directory, where a real instance may listen.
    QVERIFY(runtimeDir_.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
    QCOMPARE(serverSocketPath(), runtimeDir_.path() + "/Kavix.Salvonix.server");
    // The MIME package installed into a private data directory, before the first use of QMimeDatabase reads them.
    QVERIFY(dataHome_.isValid());
    QVERIFY(QDir().mkpath(dataHome_.filePath("mime/packages")));
    QVERIFY(QFile::copy(kDataDir + "/salvonix-mime.xml", dataHome_.filePath("mime/packages/salvonix-mime.xml")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
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
    QVERIFY(handOverFromLaterLaunch("bringfront"));  // only the exact word is a request
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
    QCOMPARE(openScanInfo.count(), 3);
    QCOMPARE(openScanInfo.at(0).at(0).toString(), QString("bringfront"));
    QCOMPARE(openScanInfo.at(1).at(0).toString(), path);
    QCOMPARE(openScanInfo.at(2).at(0).toString(), longest);
  }

  void launchArgumentsBecomeMessages() {
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
    QSignalSpy closed(&oversized, &QLocalSocket::disconnected);
    QVERIFY(oversized.state() == QLocalSocket::UnconnectedState || closed.wait(kWaitMs));
    QCOMPARE(received.count(), 0);
  }

  void versionWithoutRunningInstance() {
    QProcess version;
    version.start(QStringLiteral(SALVONIX_GUI_BINARY), {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished(kWaitMs));
    QCOMPARE(version.exitStatus(), QProcess::NormalExit);
    QCOMPARE(version.exitCode(), 0);
    QVERIFY(version.readAllStandardOutput().contains(SALVONIX_VERSION));
  }

  void laterLaunchesHandTheirRequestOver() {
    const QString info = writeScanInfo(dir);
    QVERIFY(!info.isEmpty());
    test::ScriptedDialogs dialogs;
    test::NoDrives drives;
    AppController controller(dialogs, drives.finder());
    MYMessageServer server;
    InstanceMessages messages;
    connectSingleInstance(server, messages, controller);
    QVERIFY(server.serverMain());
    MainWindow& window = controller.window();
    // The launches run elsewhere: relative paths must reach this instance as absolute ones.
    const QString folder = QString::fromStdString(dir.path().string());

    // Without a file this instance is asked to come to the front.
    QVERIFY(!window.isVisible());
    QVERIFY(launchEndsWithZero({}, folder));
    QVERIFY(test::waitUntil([&] { return window.isVisible(); }, kWaitMs));

    QVERIFY(launchEndsWithZero({QFileInfo(info).fileName()}, folder));
    QVERIFY(test::waitUntil([&] { return window.shownPage() == "recoveredFiles" && !controller.busy(); }, kWaitMs));
    QCOMPARE(window.recoveredFilesPage->scanInfoStatusTextField->text(), QStringLiteral("Scan Info Opened"));
    QCOMPARE(window.recoveredFilesPage->totalNumberOfFile->text(), QStringLiteral("3"));

    // The same file under another extension is refused.
    QVERIFY(QFile::copy(info, folder + "/card-info.txt"));
    QVERIFY(launchEndsWithZero({QStringLiteral("card-info.txt")}, folder));
    QVERIFY(test::waitUntil([&] { return dialogs.wasAsked("Error") && !controller.busy(); }, kWaitMs));
    QCOMPARE(dialogs.asked.back(),
             std::string("Error|Wrong file selected. Please select an appropriate scan info file and continue."));
  }

  void scanInfoFilesAreRecognised() {
    const QMimeDatabase mime;
    QCOMPARE(mime.mimeTypeForFile("Recovery Info.qsn", QMimeDatabase::MatchExtension).name(), kScanInfoType);
    // By content: the completion marker, then the big-endian sector size.
    QCOMPARE(mime.mimeTypeForData(QByteArray("Complete\0\0\x02\0", 12)).name(), kScanInfoType);
    QVERIFY(mime.mimeTypeForData(QByteArray("UnComple\0\0\x02\0", 12)).name() != kScanInfoType);
    QVERIFY(mime.mimeTypeForData(QByteArray("Complete list of the files")).name() != kScanInfoType);
  }

  void desktopEntryOpensScanInfoFiles() {
    QFile entry(kDataDir + "/salvonix-gui.desktop");
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split('\n');
    QVERIFY(lines.contains("Exec=salvonix-gui %f"));
    QVERIFY(lines.contains("MimeType=" + kScanInfoType + ";"));
  }

  void manualIsFoundFromABuildDirectory() {
    QCOMPARE(userManualPath(), kDataDir + "/manual/index.html");
  }

 private:
  QTemporaryDir runtimeDir_, dataHome_;
  test::TempDir dir;
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
