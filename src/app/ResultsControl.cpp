// The results page: marking, moving through the rows, the marked-files
// window, and saving the marked files.

#include <QDir>
#include <fmt/format.h>

#include "app/AppController.h"
#include "app/MainWindow.h"
#include "browse/HdirTreeModel.h"
#include "browse/Preview.h"
#include "output/DestinationCheck.h"
#include "output/SizeText.h"
#include "scan/Device.h"

namespace salvonix::gui {

void AppController::markingChanged() {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  const int marked = context_.iNumberOfFileSelected;
  if (marked <= 0) context_.u64SelectedFileSize = 0;
  page.numberOfFileSelectedToSave->setText(QString::number(std::max(0, marked)));
  page.selectedFileSizeToDisp->setText(qstr(sizeText(context_.u64SelectedFileSize)));
  page.saveButton->setEnabled(marked > 0 && !bSavingProcessStarted_);
  page.selectAllRec->setEnabled(resultsModel_->rowCount(resultsModel_->rootIndex()) > 0);
  page.selectAllRec->setChecked(resultsModel_->allMarked());
}

void AppController::selectAllRecFile(bool on) {
  resultsModel_->selectAll(on);
  markingChanged();
}

void AppController::selectNextRow() {
  QTreeView& view = *window_->recoveredFilesPage->outlineViewForRecoveredFiles;
  const QModelIndex current = view.currentIndex();
  if (!current.isValid() || !view.selectionModel()->isSelected(current)) return;
  if (const QModelIndex below = view.indexBelow(current); below.isValid()) view.setCurrentIndex(below);
}

void AppController::selectPreviousRow() {
  QTreeView& view = *window_->recoveredFilesPage->outlineViewForRecoveredFiles;
  const QModelIndex current = view.currentIndex();
  if (!current.isValid() || !view.selectionModel()->isSelected(current)) return;
  if (const QModelIndex above = view.indexAbove(current); above.isValid()) view.setCurrentIndex(above);
}

std::optional<PreviewTarget> AppController::previewTargetAt(const QModelIndex& index) {
  const HDIR* node = resultsModel_->nodeOf(index);
  if (!node) return std::nullopt;
  std::lock_guard lock(context_.treeMutex);
  return PreviewTarget{node->fileName, node->fileType, node->sectorNumber, node->fileSize, node->extraBytesToMove};
}

std::optional<PreviewTarget> AppController::selectedPreviewTarget() {
  const QTreeView& view = *window_->recoveredFilesPage->outlineViewForRecoveredFiles;
  const QModelIndex current = view.currentIndex();
  if (!current.isValid() || !view.selectionModel()->isSelected(current)) return std::nullopt;
  return previewTargetAt(current);
}

void AppController::updateViewButton() {
  window_->recoveredFilesPage->viewButton->setEnabled(!bSavingProcessStarted_ && !scanRunning() &&
                                                      selectedPreviewTarget().has_value());
}

void AppController::showPreview() {
  if (busy()) return;
  if (const auto target = selectedPreviewTarget()) preview_->requestPreview(*target);
}

void AppController::doubleClickedForPreview(const QModelIndex& index) {
  if (busy()) return;
  if (const auto target = previewTargetAt(index)) preview_->requestPreview(*target);
}

// Moving through the rows, by hand or with the next and previous buttons,
// previews each row while the window is open.
void AppController::outlineViewSelectionDidChange() {
  updateViewButton();
  if (!preview_->previewDisplayed()) return;
  if (const auto target = selectedPreviewTarget()) preview_->requestPreview(*target);
}

void AppController::showSelectedFiles() {
  QTreeWidget& table = *selectedFilesWindow_->selectedFilesTable;
  table.clear();
  if (dirRoot_) {
    std::lock_guard lock(context_.treeMutex);
    QList<QTreeWidgetItem*> items;
    for (const auto& folder : dirRoot_->children)
      for (const auto& file : folder->children)
        if (file->fileType == kFileType && file->selected == 1) {
          auto* item = new QTreeWidgetItem({qstr(file->fileName), qstr(folder->fileName),
                                            qstr(sizeText(file->fileSize)), QString::number(file->sectorNumber)});
          for (const int number : {2, 3}) item->setTextAlignment(number, Qt::AlignRight | Qt::AlignVCenter);
          items << item;
        }
    table.addTopLevelItems(items);
  }
  // The name takes what is left; the other columns get room to read apart.
  for (int column = 1; column < table.columnCount(); ++column) {
    table.resizeColumnToContents(column);
    table.setColumnWidth(column, table.columnWidth(column) + 24);
  }
  selectedFilesWindow_->show();
  selectedFilesWindow_->raise();
}

void AppController::setSavingButtonsEnabled(bool enabled) {
  RecoveredFilesPage& page = *window_->recoveredFilesPage;
  for (QWidget* widget : std::initializer_list<QWidget*>{page.exitButtonInSave, page.homeButton, page.saveScanInfoButton,
                                                        page.selectNextRow, page.selectPreviousRow, page.selectAllRec,
                                                        page.outlineViewForRecoveredFiles, page.viewSelectedFilesButton,
                                                        window_->recoverLabel, window_->openScanLabel})
    widget->setEnabled(enabled);
  page.saveButton->setEnabled(enabled && context_.iNumberOfFileSelected > 0);
  updateViewButton();
}

void AppController::saveRecoveredFiles() {
  if (busy() || !dirRoot_ || context_.iNumberOfFileSelected <= 0) return;
  std::string devicePath;
  {
    std::lock_guard lock(context_.previewPathMutex);
    devicePath = context_.selectedDriveMountPointForPreview;
  }
  auto device = devicePath.empty() ? nullptr : context_.openDevice(devicePath);
  if (!device) {
    ask({kDriveCannotOpen, devicePath.empty() ? "The drive of these results is not attached." : devicePath, {"OK"}});
    return;
  }
  const QString destination = dialogs_.chooseFolder(window_.get(), tr("Choose a folder for the recovered files"));
  if (destination.isEmpty()) return;
  if (destinationOnDevice(destination.toStdString(), *device)) {
    ask({"Choose a folder on another disk",
         fmt::format("{} lies on {}, the drive being recovered: saving there could overwrite the very files you want "
                     "back.",
                     destination.toStdString(), devicePath),
         {"OK"}});
    return;
  }
  device.reset();

  bSavingProcessStarted_ = true;
  setSavingButtonsEnabled(false);
  saveTotal_ = context_.u64SelectedFileSize;
  saveSeconds_ = 0;
  saveOutcome_.reset();
  SaveProgressWindow& progress = *saveProgressWindow_;
  progress.destinationField->setText(tr("Saving %1 marked files (%2) below %3")
                                         .arg(context_.iNumberOfFileSelected.load())
                                         .arg(qstr(sizeText(saveTotal_)), QDir(destination).filePath(qstr(dirRoot_->fileName))));
  progress.fileSavedField->setText(QStringLiteral("0"));
  progress.savedFileSize->setText(QStringLiteral("0.00 KB"));
  progress.progressBarOfSavePanel->setValue(0);
  progress.elapsedField->setText(QStringLiteral("00:00:00"));
  progress.stopButtonInSave->setEnabled(true);
  progress.open();
  saveTimer_.start();

  savingDestination_ = destination;
  saver_ = std::make_unique<RecoveredFileSaver>(context_, bridge_);
  const std::string target = destination.toStdString();
  saveThread_.start([this, target] {
    saveOutcome_ = saver_->save(*dirRoot_, target);
    QMetaObject::invokeMethod(this, &AppController::savingCompleted, Qt::QueuedConnection);
  });
}

// Both counts are read together, as the saver leaves them, so that they agree.
void AppController::showSaveProgress() {
  const uint64_t saved = context_.u64SavedFileSize.load();
  saveProgressWindow_->savedFileSize->setText(QString::fromStdString(sizeText(saved)));
  saveProgressWindow_->fileSavedField->setText(QString::number(context_.iNumberOfFileSaved.load()));
  saveProgressWindow_->progressBarOfSavePanel->setValue(saveTotal_ ? static_cast<int>(saved * 1000 / saveTotal_) : 0);
}

void AppController::stopSaving() {
  if (saver_) saver_->stopSaving();
}

void AppController::savingCompleted() {
  saveThread_.join();
  saveTimer_.stop();
  saveProgressWindow_->close();
  bSavingProcessStarted_ = false;
  if (closing_) return;
  setSavingButtonsEnabled(true);
  const SaveOutcome outcome = saveOutcome_.value_or(SaveOutcome{});
  const QString summary = tr("%1 (%2 files)").arg(qstr(sizeText(outcome.bytesRead))).arg(outcome.filesSaved);
  window_->recoveredFilesPage->savedFileSize->setText(summary);
  const std::string incomplete =
      outcome.incomplete.empty()
          ? ""
          : fmt::format(". {} of them could not be read whole: their unreadable sectors were saved as zeros",
                        outcome.incomplete.size());
  if (outcome.succeeded())
    ask({"Saving completed", fmt::format("{} files saved below {}{}", outcome.filesSaved,
                                         QDir(savingDestination_).filePath(qstr(dirRoot_->fileName)).toStdString(),
                                         incomplete),
         {"OK"}});
  emit savingFinished();
}

}  // namespace salvonix::gui
