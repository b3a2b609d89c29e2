// Saving the results as a scan information file and opening one again.

#include <QDir>
#include <QStandardPaths>

#include "app/AppController.h"
#include "app/MainWindow.h"
#include "browse/HdirTreeModel.h"
#include "output/ScanInfoContext.h"
#include "output/ScanInfoFile.h"
#include "output/SizeText.h"

namespace salvonix::gui {

namespace {

QString defaultFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  return QDir(desktop).exists() ? desktop : QDir::homePath();
}

}  // namespace

void AppController::saveScan() {
  if (busy() || !dirRoot_) return;
  const QString chosen =
      dialogs_.saveFileName(window_.get(), tr("Save Scan Info"), QDir(defaultFolder()).filePath(QString::fromStdString(defaultScanInfoName())));
  if (chosen.isEmpty()) {
    scanInfoFromHomeMethod_ = false;
    scanInfoFromExitMethod_ = false;
    return;
  }
  setSavingButtonsEnabled(false);
  busyPanel_->start(QStringLiteral("Save Scan Info"), QStringLiteral("Writing to file ...."));
  const ScanInfoDrive drive = scanInfoDriveOf(context_);
  const std::shared_ptr<HDIR> root = dirRoot_;
  const std::string path = chosen.toStdString();
  infoThread_.start([this, drive, root, path] {
    scanInfoWritten_ = salvonix::saveScanInfo(path, drive, *root);
    QMetaObject::invokeMethod(this, &AppController::saveScanInfoCompleted, Qt::QueuedConnection);
  });
}

void AppController::saveScanInfoCompleted() {
  infoThread_.join();
  const ScanInfoWriteResult result = std::move(scanInfoWritten_);
  busyPanel_->hide();
  if (closing_) return;
  setSavingButtonsEnabled(true);
  if (result.error) {
    scanInfoFromHomeMethod_ = false;
    scanInfoFromExitMethod_ = false;
    ask(*result.error);
    emit scanInfoFinished();
    return;
  }
  bScanInfoSaved_ = true;
  window_->recoveredFilesPage->scanInfoStatusTextField->setText(QStringLiteral("Saved"));
  std::string shown = result.path;
  if (shown.ends_with(".qsn")) shown.resize(shown.size() - 4);
  ask({"Saving Scan information completed", "saved at " + shown, {"OK"}});
  emit scanInfoFinished();
  continueAfterScanInfoSave();
}

void AppController::continueAfterScanInfoSave() {
  if (scanInfoFromHomeMethod_) {
    scanInfoFromHomeMethod_ = false;
    if (context_.bRecoveredFileFromOpenScanInfo) refreshFileSelectionOutlineView();
    window_->showPage(window_->fileTypesPage);
  } else if (scanInfoFromExitMethod_) {
    scanInfoFromExitMethod_ = false;
    quit();
  }
}

void AppController::openScan() {
  if (busy()) return;
  const QString path = dialogs_.openFileName(window_.get(), tr("Open Scan Info"),
                                             tr("Scan information (*.qsn);;All files (*)"));
  if (!path.isEmpty()) openScanInfo(path);
}

void AppController::openScanInfo(const QString& path) {
  if (busy()) return displayAlreadyRunningPanel();
  window_->openScanLabel->setEnabled(false);
  window_->drivePage->nextButton->setEnabled(false);
  busyPanel_->start(QStringLiteral("Load Recovery"), QStringLiteral("Creating tree ...."));
  // The worker reads the drives' first sectors from a copy of the list; the
  // list itself belongs to the main thread.
  const std::vector<DriveRecord> drives = driveList_.driveDictArray();
  const std::string file = path.toStdString();
  infoThread_.start([this, drives, file] {
    openedScanInfo_ = salvonix::openScanInfo(file);
    openedDrives_.clear();
    if (!openedScanInfo_.error) {
      openedDrives_ = retriveAllDriveDetails(drives, readFirstFiveSectors);
      if (auto image = imageIdentityOf(openedScanInfo_.drive)) openedDrives_.push_back(std::move(*image));
    }
    QMetaObject::invokeMethod(this, &AppController::scanInfoReadCompleted, Qt::QueuedConnection);
  });
}

void AppController::scanInfoReadCompleted() {
  infoThread_.join();
  const ScanInfoOpenResult opened = std::move(openedScanInfo_);
  const std::vector<DriveIdentity> identities = std::move(openedDrives_);
  busyPanel_->hide();
  if (closing_) return;
  window_->openScanLabel->setEnabled(true);
  if (opened.error) {
    window_->drivePage->nextButton->setEnabled(driveList_.nextButtonEnabled());
    ask(*opened.error);
    emit scanInfoFinished();
    return;
  }
  applyOpenedScanInfo(context_, opened, identities);
  dirRoot_ = opened.root;
  resultsModel_->setRoot(dirRoot_);
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  page.outlineViewForRecoveredFiles->expand(resultsModel_->rootIndex());
  showResultsDrive(qstr(context_.selectedDrive));
  showResultsTotals();
  bSavingProcessStarted_ = false;
  bScanInfoSaved_ = true;
  setSavingButtonsEnabled(true);
  markingChanged();
  page.scanInfoStatusTextField->setText(QStringLiteral("Scan Info Opened"));
  page.savedFileSize->setText(QStringLiteral("0.00 KB"));
  page.scanProgressBox->hide();
  page.saveRecoveredFileBox->show();
  window_->showPage(window_->recoveredFilesPage);
  emit scanInfoFinished();
}

}  // namespace salvonix::gui
