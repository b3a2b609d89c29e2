// The desktop's view of the application: the MIME type of scan information
// files as shared-mime-info readers see it, the entry that opens them, the manual.

#include "app/UserManual.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QtTest>

using namespace salvonix::gui;

namespace {

const QString kDataDir = QStringLiteral(SALVONIX_SOURCE_DIR "/data");
const QString kScanInfoType = QStringLiteral("application/x-salvonix-scan-info");

}  // namespace

class DesktopIntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The MIME package installed into a private data directory, before the
    // first use of QMimeDatabase reads the directories.
    QVERIFY(dataHome_.isValid());
    QVERIFY(QDir().mkpath(dataHome_.filePath("mime/packages")));
    QVERIFY(QFile::copy(kDataDir + "/salvonix-mime.xml", dataHome_.filePath("mime/packages/salvonix-mime.xml")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
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
  QTemporaryDir dataHome_;
};

QTEST_MAIN(DesktopIntegrationTest)
#include "DesktopIntegrationTest.moc"
