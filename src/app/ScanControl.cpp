// The file-type page and the scan: the type choice, starting, pausing and
// stopping a scan, its progress and clock, and its completion.

#include <QHeaderView>
#include <fmt/format.h>

#include "app/AppController.h"
#include "app/FileTypeTableModel.h"
#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Questions.h"
#include "browse/HdirTreeModel.h"
#include "browse/TypeSelectionTree.h"
#include "output/SizeText.h"
#include "scan/Device.h"

namespace salvonix::gui {

// ---- File-type page ------------------------------------------------------------

void AppController::enterFileTypes() {
  FileTypesPage& page = *window_->fileTypesPage;
  page.fileTypeComboBox->setCurrentIndex(0);
  context_.bDriveRemovedAfterScanning = false;
  refreshFileSelectionOutlineView();
  window_->showPage(window_->fileTypesPage);
}

void AppController::refreshFileSelectionOutlineView() {
  dirFileRoot_ = allFileTreeCreation();
  typeTreeModel_->setRoot(dirFileRoot_);
  fileTypeTable_->setGroup(TypeGroup::AllFiles);
  typeTreeModel_->selectAll(true);
  FileTypesPage& page = *window_->fileTypesPage;
  page.fileSelectionOutlineView->expandAll();
  page.fileTypeTableView->resizeColumnsToContents();
  fileTypeMarksChanged();
}

void AppController::fileTypeMarksChanged() {
  FileTypesPage& page = *window_->fileTypesPage;
  const int marked = fileTypeTable_->markedCount();
  const int rows = fileTypeTable_->rowCount();
  page.numberOfFilesSelectedInFileTypeLabel->setText(tr("%n file type(s) selected", nullptr, marked));
  const bool full = rows > 0 && marked == rows;
  page.selectAll->setChecked(full);
  page.selectAll->setText(full ? tr("Deselect All") : tr("Select All"));
  const TypeSet flags = fileSelectionFlags(*dirFileRoot_);
  page.scannButton->setEnabled(std::find(flags.begin(), flags.end(), true) != flags.end());
  const SelectedTypeStrings strings = createSelectedString(*dirFileRoot_);
  page.selectedImageFilesField->setText(strings.image.empty() ? tr("none") : qstr(strings.image));
  page.selectedAudioVideoFilesField->setText(strings.audioVideo.empty() ? tr("none") : qstr(strings.audioVideo));
}

void AppController::comboboxAction(int group) {
  const auto chosen = static_cast<TypeGroup>(group);
  for (const auto& groupNode : dirFileRoot_->children)
    for (const auto& leaf : groupNode->children)
      typeTreeModel_->setData(typeTreeModel_->indexOf(leaf.get()).siblingAtColumn(HdirTreeModel::MarkColumn),
                              inGroup(chosen, leaf->fileCategory) ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  fileTypeTable_->setGroup(chosen);
  window_->fileTypesPage->fileTypeTableView->resizeColumnsToContents();
  fileTypeMarksChanged();
}

void AppController::selectAllTypes(bool on) {
  for (int row = 0; row < fileTypeTable_->rowCount(); ++row)
    fileTypeTable_->setData(fileTypeTable_->index(row, FileTypeTableModel::Type), on ? Qt::Checked : Qt::Unchecked,
                            Qt::CheckStateRole);
  fileTypeMarksChanged();
}

// ---- Scan --------------------------------------------------------------------------

void AppController::scan() {
  if (busy() || !dirFileRoot_) return;
  const TypeSet flags = fileSelectionFlags(*dirFileRoot_);
  if (std::find(flags.begin(), flags.end(), true) == flags.end()) return;
  RecoveredFilesPage& page = *window_->recoveredFilesPage;

  std::string reason;
  auto device = Device::open(context_.selectedDriveMountPoint, &reason);
  std::vector<uint8_t> first = device ? readFirstFiveSectors(context_.selectedDriveMountPoint, context_.u32BytesInSector)
                                      : std::vector<uint8_t>{};
  device.reset();
  if (first.empty()) {
    ask({kDriveCannotOpen,
         fmt::format("{}: {}.{}", context_.selectedDriveMountPoint, reason.empty() ? "cannot be read" : reason,
                     reason.find("ermission") != std::string::npos
                         ? " Start Salvonix with \"pkexec salvonix-gui\" or as a member of the \"disk\" group."
                         : ""),
         {"OK"}});
    back();
    return;
  }
  context_.first5SectorToSave = std::move(first);

  page.saveRecoveredFileBox->hide();
  page.scanProgressBox->show();
  showResultsDrive(qstr(driveList_.selectedDriveNameToDisplay()));
  page.filesFoundField->setText(QStringLiteral("0"));
  page.progressBar->setValue(0);
  page.percentageField->setText(QStringLiteral("0 %"));
  {
    QSignalBlocker blocker(page.pauseButton);
    page.pauseButton->setChecked(false);
    page.pauseButton->setText(tr("Pause"));
    page.pauseButton->setIcon(actionIcon(QStringLiteral("pause")));
  }
  page.homeButton->setEnabled(false);
  page.exitButtonInSave->setEnabled(false);
  window_->openScanLabel->setEnabled(false);
  window_->recoverLabel->setEnabled(false);
  window_->showPage(window_->recoveredFilesPage);
  context_.bDirectFromOpenScanInfo = false;
  context_.bRecoveredFileFromOpenScanInfo = false;
  context_.iNumberOfFileSelected = 0;
  context_.u64SelectedFileSize = 0;
  context_.u64TotalNumberOfFileFound = 0;
  context_.bCancelScanning = false;
  context_.bPauseScanning = false;
  nSeconds_ = nMinutes_ = nHours_ = 0;
  showElapsed();
  bFirstTime_ = true;
  timer_.start();
  refreshTimer_.start();

  scanning_ = std::make_unique<Scanning>(context_, bridge_, &sleep_);
  scanThread_.start([this, flags] { scanning_->scanningThread(flags); });
}

void AppController::timeCalculation() {
  if (++nSeconds_ > 59) {
    nSeconds_ = 0;
    if (++nMinutes_ > 59) {
      nMinutes_ = 0;
      ++nHours_;
    }
  }
  showElapsed();
}

void AppController::showElapsed() {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  page.hoursField->setText(twoDigits(nHours_));
  page.minutesField->setText(twoDigits(nMinutes_));
  page.secondsField->setText(twoDigits(nSeconds_));
}

void AppController::updateProgressBar() {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  const double percent = bridge_.progressBarValue();
  page.filesFoundField->setText(QString::number(context_.u64TotalNumberOfFileFound.load()));
  page.progressBar->setValue(static_cast<int>(percent * 10));
  page.percentageField->setText(QStringLiteral("%1 %").arg(static_cast<int>(percent)));
}

void AppController::refreshResults() {
  if (!bridge_.takeTreeChanged()) return;
  resultsModel_->refresh();
  if (bFirstTime_ && resultsModel_->rowCount(resultsModel_->rootIndex()) > 0) {
    window_->recoveredFilesPage->outlineViewForRecoveredFiles->expand(resultsModel_->rootIndex());
    bFirstTime_ = false;
  }
}

void AppController::pause(bool paused) {
  context_.bPauseScanning = paused;
  QPushButton& button = *window_->recoveredFilesPage->pauseButton;
  button.setText(paused ? tr("Resume") : tr("Pause"));
  button.setIcon(actionIcon(paused ? QStringLiteral("resume") : QStringLiteral("pause")));
}

void AppController::stopScanning() {
  if (!scanRunning()) return;
  context_.bPauseScanning = true;
  const bool stop = ask(questions::kStopScanning) == kYes;
  // The scan may have ended while the question was open; its flags are cleared then.
  if (!scanRunning()) return;
  if (stop) {
    context_.bCancelScanning = true;
    return;
  }
  window_->recoveredFilesPage->pauseButton->setChecked(false);
  context_.bCancelScanning = false;
  context_.bPauseScanning = false;
}

void AppController::scanningCompleted() {
  scanThread_.join();
  timer_.stop();
  refreshTimer_.stop();
  context_.bPauseScanning = false;
  context_.bCancelScanning = false;
  if (closing_) return;
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  updateProgressBar();
  bridge_.takeTreeChanged();
  resultsModel_->refresh();
  {
    QSignalBlocker blocker(page.pauseButton);
    page.pauseButton->setChecked(false);
  }
  page.scanProgressBox->hide();
  page.saveRecoveredFileBox->show();
  selectedFilesWindow_->close();
  page.outlineViewForRecoveredFiles->expand(resultsModel_->rootIndex());
  window_->showPage(window_->recoveredFilesPage);
  nSeconds_ = nMinutes_ = nHours_ = 0;
  showElapsed();
  context_.iNumberOfFileSelected = 0;
  bSavingProcessStarted_ = false;
  bScanInfoSaved_ = false;
  page.savedFileSize->setText(QStringLiteral("Not Saved"));
  page.scanInfoStatusTextField->setText(QStringLiteral("Not Saved"));
  setSavingButtonsEnabled(true);
  window_->openScanLabel->setEnabled(true);
  window_->recoverLabel->setEnabled(true);
  showResultsTotals();
  markingChanged();
  emit scanFinished();
}

void AppController::showResultsDrive(const QString& name) {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  page.searchDriveField->setText(name);
  page.driveSizeField->setText(qstr(sizeText(context_.selectedDriveSize)));
  page.serialField->setText(context_.serial == "-" || context_.serial.empty() ? QStringLiteral("NA")
                                                                               : qstr(context_.serial));
}

void AppController::showResultsTotals() {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  std::lock_guard lock(context_.treeMutex);
  page.totalNumberOfFile->setText(QString::number(dirRoot_ ? dirRoot_->fileCount : 0));
  page.totalFileSize->setText(qstr(sizeText(dirRoot_ ? dirRoot_->fileSize : 0)));
}

}  // namespace salvonix::gui
