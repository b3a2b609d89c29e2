#pragma once
// The application controller: the page flow of the main window, the drive
// choice, the file-type choice, the scan, the results, saving and the scan
// information file. Long work runs on worker threads; their reports arrive
// here, on the main thread, through the UiBridge.

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/Worker.h"

#include "app/Dialogs.h"
#include "app/UiBridge.h"
#include "browse/PreviewData.h"
#include "drives/DriveList.h"
#include "drives/DriveWatcher.h"
#include "output/ScanInfoReader.h"
#include "output/ScanInfoWriter.h"
#include "power/Sleep.h"
#include "scan/ScanContext.h"
#include "scan/Scanning.h"

namespace salvonix::gui {

class MainWindow;
class HdirTreeModel;
class DriveTableModel;
class FileTypeTableModel;
class SaveProgressWindow;
class BusyPanel;
class SelectedFilesWindow;
class Preview;

class AppController : public QObject {
  Q_OBJECT
 public:
  // drives: where drives are found; watcher events (if any) come from eventSource.
  AppController(Dialogs& dialogs, DriveFinder& drives, DriveEventSource* eventSource = nullptr);
  ~AppController() override;

  MainWindow& window() { return *window_; }
  ScanContext& context() { return context_; }
  DriveList& driveList() { return driveList_; }
  HdirTreeModel& typeTreeModel() { return *typeTreeModel_; }
  HdirTreeModel& resultsModel() { return *resultsModel_; }
  FileTypeTableModel& fileTypeTable() { return *fileTypeTable_; }
  SaveProgressWindow& saveProgressWindow() { return *saveProgressWindow_; }
  SelectedFilesWindow& selectedFilesWindow() { return *selectedFilesWindow_; }
  Preview& preview() { return *preview_; }
  std::shared_ptr<HDIR> dirRoot() const { return dirRoot_; }
  bool scanRunning() const { return scanThread_.running(); }
  bool busy() const { return scanThread_.running() || saveThread_.running() || infoThread_.running(); }
  bool scanInfoSaved() const { return bScanInfoSaved_; }
  // Elapsed time of the scan, as its clock shows it.
  int elapsedSeconds() const { return nHours_ * 3600 + nMinutes_ * 60 + nSeconds_; }

  // Adds a disk image as a drive and selects it; false (after an alert) when it cannot be read.
  bool openDiskImage(const QString& path);
  // Opens a scan information file (the open panel's choice, or a path sent by a second launch).
  void openScanInfo(const QString& path);

 public slots:
  // Drive page.
  void next();
  void doubleClicked(const QModelIndex& index);
  void chooseDiskImage();
  void refreshDriveList();
  // File-type page.
  void back();
  void backButtonActionInFileSelection();
  void comboboxAction(int group);
  void selectAllTypes(bool on);
  void scan();
  // Scanning.
  void pause(bool paused);
  void stopScanning();
  // Results page.
  void backButtonActionInRecoveredFile();
  void home();
  void selectAllRecFile(bool on);
  void selectNextRow();
  void selectPreviousRow();
  void showSelectedFiles();
  void showPreview();
  void doubleClickedForPreview(const QModelIndex& index);
  void saveRecoveredFiles();
  void stopSaving();
  void saveScan();
  void openScan();
  // Side panel and closing.
  void labelClicked(int tag);
  void exit();
  void exitFromRecoveredFileWindow();
  void windowShouldClose();
  void help();
  void displayAboutPanel();
  void bringMainWindowToFront();
  void displayAlreadyRunningPanel();

 signals:
  // The user chose to quit; the application ends its event loop on it.
  void quitRequested();
  // A scan, a saving run or a scan information read or write has ended.
  void scanFinished();
  void savingFinished();
  void scanInfoFinished();

 private:
  int ask(const Alert& alert);
  // "Yes" saves the scan information and sets continueAfterSave (where to go
  // once saved); "No" goes on at once. False for "Cancel".
  bool askToSaveFirst(const Alert& question, bool& continueAfterSave, const std::function<void()>& goOn);
  void showAccessHint();
  void applySelectedRow();
  void showDescription();
  void enterFileTypes();
  void refreshFileSelectionOutlineView();
  void fileTypeMarksChanged();
  void timeCalculation();
  void showElapsed();
  void showSaveProgress();
  void updateProgressBar();
  void refreshResults();
  void scanningCompleted();
  void showResultsDrive(const QString& name);
  void showResultsTotals();
  void markingChanged();
  // The row's node, copied: a running scan may grow the tree meanwhile.
  std::optional<PreviewTarget> previewTargetAt(const QModelIndex& index);
  std::optional<PreviewTarget> selectedPreviewTarget();
  void outlineViewSelectionDidChange();
  void updateViewButton();
  void setSavingButtonsEnabled(bool enabled);
  void savingCompleted();
  void saveScanInfoCompleted();
  void scanInfoReadCompleted();
  void displayDriveListWindow();
  void continueAfterScanInfoSave();
  void quit();
  void waitForWorkers();

  Dialogs& dialogs_;
  ScanContext context_;
  DriveList driveList_;
  std::unique_ptr<MainWindow> window_;
  UiBridge bridge_;
  DriveTableModel* driveTable_;
  HdirTreeModel* typeTreeModel_;
  HdirTreeModel* resultsModel_;
  FileTypeTableModel* fileTypeTable_;
  SaveProgressWindow* saveProgressWindow_;
  BusyPanel* busyPanel_;
  SelectedFilesWindow* selectedFilesWindow_;
  std::unique_ptr<Preview> preview_;  // after window_: its window is a child of the main window
  std::unique_ptr<SteadyWatcherClock> watcherClock_;
  std::unique_ptr<DriveWatcher> watcher_;

  std::shared_ptr<HDIR> dirFileRoot_;
  std::shared_ptr<HDIR> dirRoot_;

  Sleep sleep_;
  std::unique_ptr<Scanning> scanning_;
  Worker scanThread_;
  QTimer timer_;
  QTimer refreshTimer_;
  int nSeconds_ = 0, nMinutes_ = 0, nHours_ = 0;
  bool bFirstTime_ = true;

  std::unique_ptr<RecoveredFileSaver> saver_;
  Worker saveThread_;
  std::optional<SaveOutcome> saveOutcome_;  // written by the saving worker, read after it is joined
  QTimer saveTimer_;
  int saveSeconds_ = 0;
  uint64_t saveTotal_ = 0;
  QString savingDestination_;

  Worker infoThread_;
  // Written by the scan information worker, read after it is joined.
  ScanInfoWriteResult scanInfoWritten_;
  ScanInfoOpenResult openedScanInfo_;
  std::vector<DriveIdentity> openedDrives_;

  bool bScanInfoSaved_ = false;
  bool scanInfoFromHomeMethod_ = false;
  bool scanInfoFromExitMethod_ = false;
  bool bSavingProcessStarted_ = false;
  bool closing_ = false;
};

}  // namespace salvonix::gui
