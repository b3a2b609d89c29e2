#include "app/AppController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QUrl>

#include "app/AlertTexts.h"
#include "app/BringToFront.h"
#include "app/DriveTableModel.h"
#include "app/FileTypeTableModel.h"
#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Questions.h"
#include "app/UserManual.h"
#include "browse/HdirTreeModel.h"
#include "browse/Preview.h"
#include "output/SizeText.h"

namespace salvonix::gui {

AppController::AppController(Dialogs& dialogs, DriveFinder& drives, DriveEventSource* eventSource)
    : dialogs_(dialogs),
      driveList_(context_, drives),
      window_(std::make_unique<MainWindow>()),
      bridge_(dialogs, window_.get()) {
  MainWindow& w = *window_;
  DrivePage& drivePage = *w.drivePage;
  FileTypesPage& typesPage = *w.fileTypesPage;
  RecoveredFilesPage& results = *w.recoveredFilesPage;

  driveTable_ = new DriveTableModel(driveList_, this);
  drivePage.driveTableView->setModel(driveTable_);
  drivePage.driveTableView->setItemDelegateForColumn(DriveTableModel::Drives, new MyCell(this));
  drivePage.driveTableView->horizontalHeader()->setSectionResizeMode(DriveTableModel::Drives, QHeaderView::Stretch);
  typeTreeModel_ = new HdirTreeModel(context_, this);
  typeTreeModel_->setOutline(HdirTreeModel::Outline::TypeSelection);
  typeTreeModel_->setIconProvider(nodeIcon);
  typesPage.fileSelectionOutlineView->setModel(typeTreeModel_);
  typesPage.fileSelectionOutlineView->hideColumn(HdirTreeModel::SizeColumn);
  typesPage.fileSelectionOutlineView->hideColumn(HdirTreeModel::CountColumn);
  typesPage.fileSelectionOutlineView->header()->setSectionResizeMode(HdirTreeModel::FilesColumn, QHeaderView::Stretch);
  fileTypeTable_ = new FileTypeTableModel(*typeTreeModel_, this);
  typesPage.fileTypeTableView->setModel(fileTypeTable_);
  for (auto name : kTypeGroupNames) typesPage.fileTypeComboBox->addItem(QString::fromUtf8(name.data(), int(name.size())));
  resultsModel_ = new HdirTreeModel(context_, this);
  resultsModel_->setIconProvider(nodeIcon);
  results.outlineViewForRecoveredFiles->setModel(resultsModel_);
  results.outlineViewForRecoveredFiles->header()->setSectionResizeMode(HdirTreeModel::FilesColumn, QHeaderView::Stretch);
  saveProgressWindow_ = new SaveProgressWindow(window_.get());
  busyPanel_ = new BusyPanel(window_.get());
  selectedFilesWindow_ = new SelectedFilesWindow(window_.get());
  preview_ = std::make_unique<Preview>(context_, dialogs_, window_.get());

  connect(&w, &MainWindow::closeRequested, this, &AppController::windowShouldClose);
  connect(w.recoverLabel, &QToolButton::clicked, this, [this] { labelClicked(0); });
  connect(w.openScanLabel, &QToolButton::clicked, this, [this] { labelClicked(1); });
  connect(w.helpButton, &QToolButton::clicked, this, &AppController::help);
  connect(w.aboutButton, &QToolButton::clicked, this, &AppController::displayAboutPanel);

  connect(drivePage.nextButton, &QPushButton::clicked, this, &AppController::next);
  connect(drivePage.exitButton, &QPushButton::clicked, this, &AppController::exit);
  connect(drivePage.openImageButton, &QPushButton::clicked, this, &AppController::chooseDiskImage);
  connect(drivePage.driveTableView, &QTableView::doubleClicked, this, &AppController::doubleClicked);
  connect(drivePage.driveTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &AppController::applySelectedRow);

  connect(typesPage.backButton, &QPushButton::clicked, this, &AppController::back);
  connect(typesPage.scannButton, &QPushButton::clicked, this, &AppController::scan);
  connect(typesPage.fileTypeComboBox, &QComboBox::activated, this, &AppController::comboboxAction);
  connect(typesPage.selectAll, &QCheckBox::clicked, this, &AppController::selectAllTypes);
  connect(typeTreeModel_, &HdirTreeModel::markingChanged, this, &AppController::fileTypeMarksChanged);

  connect(results.pauseButton, &QPushButton::toggled, this, &AppController::pause);
  connect(results.stopButton, &QPushButton::clicked, this, &AppController::stopScanning);
  connect(results.selectAllRec, &QCheckBox::clicked, this, &AppController::selectAllRecFile);
  connect(results.selectNextRow, &QPushButton::clicked, this, &AppController::selectNextRow);
  connect(results.selectPreviousRow, &QPushButton::clicked, this, &AppController::selectPreviousRow);
  connect(results.viewSelectedFilesButton, &QPushButton::clicked, this, &AppController::showSelectedFiles);
  connect(results.viewButton, &QPushButton::clicked, this, &AppController::showPreview);
  connect(results.outlineViewForRecoveredFiles, &QTreeView::doubleClicked, this, &AppController::doubleClickedForPreview);
  connect(results.outlineViewForRecoveredFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &AppController::outlineViewSelectionDidChange);
  connect(results.saveButton, &QPushButton::clicked, this, &AppController::saveRecoveredFiles);
  connect(results.saveScanInfoButton, &QPushButton::clicked, this, &AppController::saveScan);
  connect(results.homeButton, &QPushButton::clicked, this, &AppController::home);
  connect(results.exitButtonInSave, &QPushButton::clicked, this, &AppController::exitFromRecoveredFileWindow);
  connect(resultsModel_, &HdirTreeModel::markingChanged, this, &AppController::markingChanged);
  connect(saveProgressWindow_->stopButtonInSave, &QPushButton::clicked, this, &AppController::stopSaving);

  connect(&bridge_, &UiBridge::treeRebuilt, this, [this] {
    {
      std::lock_guard lock(context_.treeMutex);  // the scanning thread sets its root under it
      dirRoot_ = scanning_->dirRoot();
    }
    resultsModel_->setRoot(dirRoot_);
  });
  connect(&bridge_, &UiBridge::progressChanged, this, &AppController::updateProgressBar);
  connect(&bridge_, &UiBridge::scanFinished, this, &AppController::scanningCompleted);
  connect(&bridge_, &UiBridge::savingProgress, this, &AppController::showSaveProgress);
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &AppController::timeCalculation);
  refreshTimer_.setInterval(250);
  connect(&refreshTimer_, &QTimer::timeout, this, &AppController::refreshResults);
  saveTimer_.setInterval(1000);
  connect(&saveTimer_, &QTimer::timeout, this, [this] {
    ++saveSeconds_;
    saveProgressWindow_->elapsedField->setText(QStringLiteral("%1:%2:%3")
                                                   .arg(twoDigits(saveSeconds_ / 3600), twoDigits(saveSeconds_ / 60 % 60),
                                                        twoDigits(saveSeconds_ % 60)));
    // The saver's reports are spaced out: a slow read must not leave the last one showing.
    showSaveProgress();
  });

  driveList_.initialDriveList();
  driveTable_->reload();
  if (eventSource) {
    watcherClock_ = std::make_unique<SteadyWatcherClock>();
    watcher_ = std::make_unique<DriveWatcher>(*eventSource, *watcherClock_, [this] {
      QMetaObject::invokeMethod(this, &AppController::refreshDriveList, Qt::QueuedConnection);
    });
    watcher_->launchThread();
  }
  showAccessHint();
  w.showPage(w.drivePage);
}

AppController::~AppController() {
  closing_ = true;
  bridge_.setClosing();
  context_.bCancelScanning = true;
  if (saver_) saver_->stopSaving();
  waitForWorkers();
  if (watcher_) watcher_->stop();
}

int AppController::ask(const Alert& alert) { return dialogs_.alert(window_.get(), alert); }

bool AppController::askToSaveFirst(const Alert& question, bool& continueAfterSave, const std::function<void()>& goOn) {
  const int answer = ask(question);
  continueAfterSave = answer == kYes;
  if (answer == kYes) saveScan();
  else if (answer == questions::kNo) goOn();
  return answer != questions::kCancel;
}

// Workers may be waiting for an answer on the main thread: keep serving it while they end.
void AppController::waitForWorkers() {
  for (Worker* worker : {&scanThread_, &saveThread_, &infoThread_}) {
    while (worker->running() && !worker->done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker->join();
  }
}

void AppController::showAccessHint() {
  QStringList unreadable;
  for (const DriveRecord& record : driveList_.driveDictArray()) {
    const std::string path = record.text(drivekey::kDevicePath);
    if (!path.empty() && !QFileInfo(QString::fromStdString(path)).isReadable()) unreadable << QString::fromStdString(path);
  }
  QLabel& hint = *window_->drivePage->accessHint;
  hint.setVisible(!unreadable.isEmpty());
  if (unreadable.isEmpty()) return;
  hint.setText(tr("Salvonix may not read %1: you lack the permission. Start it with \"pkexec salvonix-gui\", "
                  "or ask for membership of the \"disk\" group (then log in again). A disk image file can "
                  "always be opened with \"Open disk image...\".")
                   .arg(unreadable.join(QStringLiteral(", "))));
}

// ---- Drive page -------------------------------------------------------------

void AppController::refreshDriveList() {
  const QString page = window_->shownPage();
  driveList_.setShownPage(page == QLatin1String("driveShow")        ? ShownPage::DriveShow
                          : page == QLatin1String("recoveredFiles") ? ShownPage::RecoveredFiles
                                                                     : ShownPage::FileTypes);
  const std::optional<std::size_t> row = driveList_.selectedRow();
  driveList_.refreshDriveList();
  QSignalBlocker blocker(window_->drivePage->driveTableView->selectionModel());
  driveTable_->reload();
  if (row && *row < driveList_.numberOfRowsInTableView())
    window_->drivePage->driveTableView->selectRow(static_cast<int>(*row));
  window_->drivePage->nextButton->setEnabled(driveList_.nextButtonEnabled());
  showAccessHint();
}

void AppController::applySelectedRow() {
  const QModelIndexList rows = window_->drivePage->driveTableView->selectionModel()->selectedRows();
  std::optional<std::size_t> row;
  if (!rows.isEmpty()) row = static_cast<std::size_t>(rows.first().row());
  driveList_.tableViewSelectionDidChange(row);
  window_->drivePage->nextButton->setEnabled(driveList_.nextButtonEnabled());
  if (!row) window_->drivePage->descriptionTextField->clear();
  else showDescription();
}

void AppController::showDescription() {
  window_->drivePage->descriptionTextField->setText(QString::fromStdString(driveList_.descriptionText()));
}

void AppController::chooseDiskImage() {
  const QString path = dialogs_.openFileName(
      window_.get(), tr("Open disk image"),
      tr("Disk images (*.img *.dd *.raw *.bin *.iso *.001 *.E01 *.e01 *.Ex01 *.ex01);;All files (*)"));
  if (!path.isEmpty()) openDiskImage(path);
}

bool AppController::openDiskImage(const QString& path) {
  std::string error;
  if (!driveList_.addImageFile(path.toStdString(), &error)) {
    ask({"Cannot open disk image", error, {"OK"}});
    return false;
  }
  driveTable_->reload();
  window_->drivePage->driveTableView->selectRow(static_cast<int>(driveList_.numberOfRowsInTableView()) - 1);
  return true;
}

void AppController::next() {
  if (!driveList_.nextButtonEnabled()) return;
  enterFileTypes();
}

void AppController::doubleClicked(const QModelIndex& index) {
  if (!index.isValid()) return;
  window_->drivePage->driveTableView->selectRow(index.row());
  next();
}

// ---- Navigation --------------------------------------------------------------

void AppController::back() {
  driveTable_->reload();
  context_.bDriveRemovedAfterScanning = false;
  if (auto row = driveList_.selectedRow(); row && *row < driveList_.numberOfRowsInTableView()) {
    QSignalBlocker blocker(window_->drivePage->driveTableView->selectionModel());
    window_->drivePage->driveTableView->selectRow(static_cast<int>(*row));
    driveList_.tableViewSelectionDidChange(row);
    showDescription();
  } else {
    driveList_.tableViewSelectionDidChange(std::nullopt);
  }
  window_->drivePage->nextButton->setEnabled(driveList_.nextButtonEnabled());
  window_->showPage(window_->drivePage);
}

void AppController::backButtonActionInFileSelection() { window_->showPage(window_->drivePage); }

void AppController::backButtonActionInRecoveredFile() {
  if (busy()) return;
  askToSaveFirst(questions::kSaveBeforeLeaving, scanInfoFromHomeMethod_, [this] {
    if (context_.bRecoveredFileFromOpenScanInfo) refreshFileSelectionOutlineView();
    window_->showPage(window_->fileTypesPage);
  });
}

void AppController::home() {
  if (busy()) return;
  if (bScanInfoSaved_) return displayDriveListWindow();
  askToSaveFirst(questions::kSaveBeforeHome, scanInfoFromHomeMethod_, [this] { displayDriveListWindow(); });
}

void AppController::labelClicked(int tag) {
  if (busy()) return;
  if (tag == 1) return openScan();
  if (window_->shownPage() != QLatin1String("recoveredFiles")) return window_->showPage(window_->drivePage);
  if (bScanInfoSaved_) return displayDriveListWindow();
  askToSaveFirst(questions::kSaveBeforeLeaving, scanInfoFromHomeMethod_, [this] { displayDriveListWindow(); });
}

void AppController::displayDriveListWindow() {
  selectedFilesWindow_->close();
  preview_->closePreviewWindow();
  RecoveredFilesPage& results = *window_->recoveredFilesPage;
  results.progressBar->setValue(0);
  scanInfoFromHomeMethod_ = false;
  bScanInfoSaved_ = false;
  context_.bDriveRemovedAfterScanning = false;
  context_.bOpenInfoDriveConnected = false;
  context_.bRecoveredFileFromOpenScanInfo = false;
  context_.bPauseScanning = false;
  context_.bCancelScanning = false;
  context_.u64SelectedFileSize = 0;
  context_.iNumberOfFileSelected = 0;
  context_.iNumberOfFileSaved = 0;
  window_->openScanLabel->setEnabled(true);
  window_->fileTypesPage->selectAll->setChecked(false);
  results.selectAllRec->setChecked(false);
  setSavingButtonsEnabled(true);
  window_->showPage(window_->drivePage);
  resultsModel_->setRoot(dirRoot_);
  back();
}

// ---- Closing -------------------------------------------------------------------

void AppController::exit() {
  if (ask(questions::kCloseApplication) == kYes) quit();
}

void AppController::exitFromRecoveredFileWindow() {
  if (busy()) return;
  if (bScanInfoSaved_) return exit();
  askToSaveFirst(questions::kSaveBeforeExit, scanInfoFromExitMethod_, [this] { quit(); });
}

void AppController::windowShouldClose() {
  if (window_->shownPage() == QLatin1String("recoveredFiles") && !bScanInfoSaved_ && !scanRunning()) {
    if (!askToSaveFirst(questions::kSaveBeforeClose, scanInfoFromExitMethod_, [this] { quit(); }))
      bringMainWindowToFront();
    return;
  }
  if (ask(questions::kCloseApplication) == kYes) quit();
}

void AppController::quit() {
  closing_ = true;
  preview_->closePreviewWindow();
  bridge_.setClosing();
  context_.bCancelScanning = true;
  if (saver_) saver_->stopSaving();
  waitForWorkers();
  emit quitRequested();
}

void AppController::help() {
  const QString manual = userManualPath();
  if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
    ask({"Cannot open the user manual", manual.isEmpty() ? "The user manual is not installed." : manual.toStdString(),
         {"OK"}});
}

void AppController::displayAboutPanel() { aboutPanel(window_.get())->exec(); }

void AppController::bringMainWindowToFront() { gui::bringMainWindowToFront(*window_); }

void AppController::displayAlreadyRunningPanel() {
  ask({kCannotOpenNowTitle, kCannotOpenNowText, {"OK"}});
}

}  // namespace salvonix::gui
