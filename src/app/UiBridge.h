#pragma once
// Carries what the scanning and saving threads tell the front end to the
// main thread. Reports become queued signals; progress values are atomics
// the window reads when it refreshes; an alert blocks the asking worker
// thread (never the main thread) until the user answers.

#include <QObject>
#include <QPointer>
#include <atomic>

#include "app/Dialogs.h"
#include "output/RecoveredFileSaver.h"
#include "scan/ScanObserver.h"

class QWidget;

namespace salvonix::gui {

class UiBridge : public QObject, public ScanObserver, public SaveObserver {
  Q_OBJECT
 public:
  UiBridge(Dialogs& dialogs, QWidget* window);

  // Scanning thread.
  void reconstructAfterRescan() override { emit treeRebuilt(); }
  void refreshRecoveredFiles() override { treeChanged_.store(true, std::memory_order_relaxed); }
  void expandRecoveredFilesTree() override { emit firstFileFound(); }
  void setProgressBarValue(float percent) override { progressBarValue_.store(percent, std::memory_order_relaxed); }
  void updateProgressBar() override;
  void scanningCompleted() override { emit scanFinished(); }
  int showAlert(const Alert& alert) override;

  // Saving thread.
  void updateTreeProgress(uint64_t savedData, uint64_t barDoubleValue) override;
  bool confirmStopSaving() override;

  // Main thread: whether the tree grew since the last call.
  bool takeTreeChanged() { return treeChanged_.exchange(false, std::memory_order_relaxed); }
  float progressBarValue() const { return progressBarValue_.load(std::memory_order_relaxed); }
  // While the application closes, alerts from workers are answered without
  // showing them (the first button; "Yes" to stopping), so a worker can end.
  void setClosing() { closing_ = true; }

 signals:
  void treeRebuilt();
  void firstFileFound();
  void progressChanged();
  void scanFinished();
  void savingProgress();

 private:
  int askOnMainThread(const Alert& alert, int closingAnswer);

  Dialogs& dialogs_;
  QPointer<QWidget> window_;
  std::atomic<bool> treeChanged_{false};
  std::atomic<float> progressBarValue_{0};
  std::atomic<bool> progressPending_{false};
  std::atomic<bool> savingPending_{false};
  std::atomic<bool> closing_{false};
};

inline constexpr const char* kStopSavingQuestion = "Do you wish to stop the current saving process?";

}  // namespace salvonix::gui
