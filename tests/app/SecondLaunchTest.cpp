// Later launches of the real program hand their request to the running
// instance and exit. This process is the running instance, wired as the
// program wires itself.

#include <QtTest>

#include "app/AppController.h"
#include "app/InstanceMessages.h"
#include "app/InstanceWiring.h"
#include "app/MainWindow.h"
#include "app/MessageServer.h"
#include "gui-support/GuiFixture.h"
#include "output/ScanInfoContext.h"
#include "output/ScanInfoWriter.h"
#include "support/SampleJpeg.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

// Only against hangs: a launch that hands over ends within a few seconds.
constexpr int kWaitMs = 20000;

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

class SecondLaunchTest : public QObject {
  Q_OBJECT

  test::TempDir dir;

 private slots:
  void initTestCase() {
    // ctest names a runtime directory per test; it need not exist yet.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
      runtime = QString::fromStdString(dir.file("runtime"));
      qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
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
};

QTEST_MAIN(SecondLaunchTest)
#include "SecondLaunchTest.moc"
