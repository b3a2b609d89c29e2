// The application driven through its widgets: scan, mark, save, scan information saved and
// opened again, stop, pause, and the questions asked before results are left.

#include <QtTest>
#include <fmt/format.h>

#include "app/AppController.h"
#include "app/FileTypeTableModel.h"
#include "app/MainWindow.h"
#include "browse/HdirTreeModel.h"
#include "gui-support/GuiFixture.h"
#include "support/TestDevices.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

// Every original is saved below DEST/ROOT/<its folder>/ as a file that begins with its bytes.
int savedOriginals(const std::vector<test::CardFile>& card, const QString& destination, const std::string& folder) {
  int count = 0;
  for (const test::CardFile& file : card) {
    if (!folder.empty() && file.folder != folder) continue;
    const QDir dir(destination + "/ROOT/" + QString::fromStdString(file.folder));
    for (const QString& name : dir.entryList(QDir::Files)) {
      const test::Bytes saved = test::readFile(dir.filePath(name).toStdString());
      if (saved.size() >= file.bytes.size() && std::equal(file.bytes.begin(), file.bytes.end(), saved.begin())) {
        ++count;
        break;
      }
    }
  }
  return count;
}

}  // namespace

class AppFlowTest : public QObject {
  Q_OBJECT

  test::TempDir dir;
  std::string cardPath;
  std::vector<test::CardFile> card;

  using App = test::TestApp;

  // Chooses the card, keeps every type marked and scans to the end.
  static void scanCard(App& app, const std::string& path) {
    QVERIFY(app.controller.openDiskImage(QString::fromStdString(path)));
    QVERIFY(app.window.drivePage->nextButton->isEnabled());
    QTest::mouseClick(app.window.drivePage->nextButton, Qt::LeftButton);
    QCOMPARE(app.window.shownPage(), QStringLiteral("fileTypes"));
    QVERIFY(app.window.fileTypesPage->selectAll->isChecked());
    QTest::mouseClick(app.window.fileTypesPage->scannButton, Qt::LeftButton);
    QVERIFY(test::waitUntil([&] { return !app.controller.scanRunning(); }));
  }

 private slots:
  void initTestCase() {
    cardPath = dir.file("card.img");
    card = test::makeSampleCard(cardPath, dir.path().string());
    if (card.empty()) QSKIP("ImageMagick's convert is not installed");
  }

  void scanMarkSaveAndReopen() {
    App app;
    scanCard(app, cardPath);
    QCOMPARE(app.window.shownPage(), QStringLiteral("recoveredFiles"));
    QCOMPARE(app.results.totalNumberOfFile->text().toInt(), int(card.size()));
    QVERIFY(!app.results.saveButton->isEnabled());

    // Mark the JPEG folder only: three files, and saving becomes possible.
    HdirTreeModel& model = app.controller.resultsModel();
    HDIR* jpegs = app.controller.dirRoot()->children.front().get();  // "JPG Files", the first folder
    QVERIFY(model.setData(model.indexOf(jpegs).siblingAtColumn(HdirTreeModel::MarkColumn), Qt::Checked,
                          Qt::CheckStateRole));
    QCOMPARE(app.results.numberOfFileSelectedToSave->text(), QStringLiteral("3"));
    QVERIFY(app.results.saveButton->isEnabled());
    QVERIFY(!app.results.selectAllRec->isChecked());

    const QString firstSave = QString::fromStdString(dir.file("first"));
    QVERIFY(QDir().mkpath(firstSave));  // the folder dialog returns an existing folder
    app.dialogs.folder = firstSave;
    QTest::mouseClick(app.results.saveButton, Qt::LeftButton);
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    QCOMPARE(savedOriginals(card, firstSave, "JPG Files"), 3);
    QVERIFY(!QDir(firstSave + "/ROOT/PNG Files").exists());
    QVERIFY(app.dialogs.wasAsked("Saving completed"));

    // The scan information, saved, opened again after going home, and saved from.
    app.dialogs.saveName = QString::fromStdString(dir.file("card-info"));
    QTest::mouseClick(app.results.saveScanInfoButton, Qt::LeftButton);
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    QVERIFY(app.dialogs.suggestedSaveName.contains("Recovery Info "));
    QVERIFY(!app.dialogs.suggestedSaveName.contains(':'));
    QVERIFY(app.dialogs.wasAsked("Saving Scan information completed"));
    QCOMPARE(app.results.scanInfoStatusTextField->text(), QStringLiteral("Saved"));
    const std::size_t questionsBefore = app.dialogs.asked.size();
    QTest::mouseClick(app.results.homeButton, Qt::LeftButton);  // saved: no question
    QCOMPARE(app.dialogs.asked.size(), questionsBefore);
    QCOMPARE(app.window.shownPage(), QStringLiteral("driveShow"));

    app.dialogs.openName = QString::fromStdString(dir.file("card-info.qsn"));
    app.window.openScanLabel->click();
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    QCOMPARE(app.window.shownPage(), QStringLiteral("recoveredFiles"));
    QCOMPARE(app.results.scanInfoStatusTextField->text(), QStringLiteral("Scan Info Opened"));
    QCOMPARE(app.results.totalNumberOfFile->text().toInt(), int(card.size()));
    QCOMPARE(app.results.numberOfFileSelectedToSave->text(), QStringLiteral("3"));
    QTest::mouseClick(app.results.selectAllRec, Qt::LeftButton);
    QVERIFY(app.results.selectAllRec->isChecked());
    QCOMPARE(app.results.numberOfFileSelectedToSave->text().toInt(), int(card.size()));

    const QString secondSave = QString::fromStdString(dir.file("second"));
    QVERIFY(QDir().mkpath(secondSave));
    app.dialogs.folder = secondSave;
    QTest::mouseClick(app.results.saveButton, Qt::LeftButton);
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    QCOMPARE(savedOriginals(card, secondSave, ""), int(card.size()));

    // A card that has gone: the saving thread's one alert reaches the user and saving ends.
    test::useTestDevice(app.controller.context(), cardPath)->failBetween(0, UINT64_MAX, ENODEV);
    app.dialogs.asked.clear();
    QTest::mouseClick(app.results.saveButton, Qt::LeftButton);
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    QVERIFY(app.dialogs.wasAsked(kNotSavedAlertTitle));
    QVERIFY(!app.dialogs.wasAsked("Saving completed"));
    QVERIFY(app.results.saveButton->isEnabled());
  }

  // Unreadable sectors before each file: every file is found, and the user is told once, at the end.
  void unreadableSectorsAreToldOnceAtTheEnd() {
    App app;
    auto device = test::useTestDevice(app.controller.context(), cardPath);
    for (const test::CardFile& file : card) device->failBetween((file.sector - 20) * 512, (file.sector - 10) * 512);
    scanCard(app, cardPath);
    QCOMPARE(app.results.totalNumberOfFile->text().toInt(), int(card.size()));
    const std::string told = fmt::format("Some sectors could not be read|{} sectors could not be read, in {} ranges",
                                         10 * card.size(), card.size());
    QCOMPARE(app.dialogs.asked.size(), std::size_t{1});
    QVERIFY(app.dialogs.asked[0].starts_with(told));
  }

  void pauseAndStop() {
    App app;
    const std::size_t gate = card[3].sector * 512 / 65536 * 65536;  // the first three files lie well before it
    auto device = test::useTestDevice(app.controller.context(), cardPath, gate);
    // Whatever fails, the scan must be let through for the application to close.
    auto release = qScopeGuard([&] { device->release(); });
    QVERIFY(app.controller.openDiskImage(QString::fromStdString(cardPath)));
    app.window.drivePage->nextButton->click();
    app.window.fileTypesPage->scannButton->click();
    QVERIFY(app.controller.scanRunning());
    QVERIFY(test::waitUntil([&] { return app.controller.context().u64TotalNumberOfFileFound >= 3; }));

    // Paused: the sectors stand still while the clock goes on.
    app.results.pauseButton->click();
    QVERIFY(app.results.pauseButton->isChecked());
    device->release();
    const QString percent = app.results.percentageField->text();
    const int seconds = app.controller.elapsedSeconds();
    QTest::qWait(2200);
    QVERIFY(app.controller.scanRunning());
    QCOMPARE(app.results.percentageField->text(), percent);
    QVERIFY(app.controller.elapsedSeconds() >= seconds + 2);

    // Stop answered "No": the scan goes on with the pause button off, to the end.
    app.dialogs.answer("Do you wish to stop the scanning process?", "No");
    app.results.stopButton->click();
    QVERIFY(!app.results.pauseButton->isChecked());
    QVERIFY(test::waitUntil([&] { return !app.controller.scanRunning(); }));
    QCOMPARE(app.results.totalNumberOfFile->text().toInt(), int(card.size()));

    // A second scan with the same context, stopped with "Yes": the files found so far.
    app.dialogs.answer("Do you wish to save \"Razozuri Deri\"?", "No");
    app.controller.backButtonActionInRecoveredFile();
    QCOMPARE(app.window.shownPage(), QStringLiteral("fileTypes"));
    device = test::useTestDevice(app.controller.context(), cardPath, gate);
    app.window.fileTypesPage->scannButton->click();
    QVERIFY(test::waitUntil([&] { return app.controller.context().u64TotalNumberOfFileFound >= 3; }));
    app.dialogs.answer("Do you wish to stop the scanning process?", "Yes");
    app.results.stopButton->click();
    device->release();
    QVERIFY(test::waitUntil([&] { return !app.controller.scanRunning(); }));
    QCOMPARE(app.window.shownPage(), QStringLiteral("recoveredFiles"));
    QVERIFY(app.results.saveRecoveredFileBox->isVisibleTo(&app.window));
    const int found = app.results.totalNumberOfFile->text().toInt();
    QVERIFY2(found >= 3 && found < int(card.size()), qPrintable(QString::number(found)));
  }

  void questionsBeforeLeavingResults() {
    App app;
    scanCard(app, cardPath);

    // Unsaved results: home asks, and "Cancel" changes nothing.
    app.dialogs.answer("Do you wish to save \"Razozuri Deri?\"", "Cancel");
    app.results.homeButton->click();
    QVERIFY(app.dialogs.wasAsked("Do you wish to save \"Razozuri Deri?\""));
    QCOMPARE(app.window.shownPage(), QStringLiteral("recoveredFiles"));

    // The close box asks whether to save; "Cancel" keeps the application.
    QSignalSpy quit(&app.controller, &AppController::quitRequested);
    app.dialogs.answer("Do you wish to save Razozuri Deri before closing the application?", "Cancel");
    app.window.close();
    QCOMPARE(quit.count(), 0);

    // After a scan information save the close box only asks whether to close.
    app.dialogs.saveName = QString::fromStdString(dir.file("questions"));
    app.controller.saveScan();
    QVERIFY(test::waitUntil([&] { return !app.controller.busy(); }));
    app.dialogs.asked.clear();
    app.dialogs.answer("Do you wish to close the application?", "No");
    app.window.close();
    QCOMPARE(app.dialogs.asked.size(), std::size_t{1});
    QVERIFY(app.dialogs.wasAsked("Do you wish to close the application?"));
    QCOMPARE(quit.count(), 0);
    app.window.close();  // "Yes" by default
    QCOMPARE(quit.count(), 1);
  }

  void fileTypeChoice() {
    App app;
    QVERIFY(app.controller.openDiskImage(QString::fromStdString(cardPath)));
    app.window.drivePage->nextButton->click();
    FileTypesPage& page = *app.window.fileTypesPage;
    QCOMPARE(app.controller.fileTypeTable().rowCount(), 35);
    // One type unmarked leaves the outline's "Files" mixed.
    auto& table = app.controller.fileTypeTable();
    HdirTreeModel& types = app.controller.typeTreeModel();
    table.setData(table.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(types.data(types.rootIndex().siblingAtColumn(HdirTreeModel::MarkColumn), Qt::CheckStateRole),
             QVariant(Qt::PartiallyChecked));
    QVERIFY(!page.selectAll->isChecked());
    // The "Image" group marks its 22 types only; "Select All" off unmarks them and scanning is refused.
    page.fileTypeComboBox->setCurrentIndex(1);
    emit page.fileTypeComboBox->activated(1);
    QCOMPARE(app.controller.fileTypeTable().rowCount(), 22);
    QCOMPARE(app.controller.fileTypeTable().markedCount(), 22);
    QVERIFY(page.selectAll->isChecked());
    QVERIFY(page.selectedAudioVideoFilesField->text() == "none");

    page.selectAll->click();
    QVERIFY(!page.scannButton->isEnabled());
    // One type marked in the table shows in the outline and is what a scan looks for.
    for (int row = 0; row < table.rowCount(); ++row)
      if (table.data(table.index(row, 0), Qt::DisplayRole) == "JPG")
        table.setData(table.index(row, 0), Qt::Checked, Qt::CheckStateRole);
    QVERIFY(page.scannButton->isEnabled());
    QCOMPARE(page.selectedImageFilesField->text(), QStringLiteral("Jpg "));
    page.scannButton->click();
    QVERIFY(test::waitUntil([&] { return !app.controller.scanRunning(); }));
    QCOMPARE(app.controller.dirRoot()->children.size(), std::size_t{1});
    QCOMPARE(app.results.totalNumberOfFile->text(), QStringLiteral("3"));
  }
};

QTEST_MAIN(AppFlowTest)
#include "AppFlowTest.moc"
