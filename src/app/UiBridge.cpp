#include "app/UiBridge.h"

#include <QThread>
#include <QWidget>
#include <future>

namespace salvonix::gui {

UiBridge::UiBridge(Dialogs& dialogs, QWidget* window) : dialogs_(dialogs), window_(window) {
  // The pending flags keep at most one report of each kind in the event queue.
  connect(this, &UiBridge::progressChanged, this, [this] { progressPending_ = false; }, Qt::QueuedConnection);
  connect(this, &UiBridge::savingProgress, this, [this] { savingPending_ = false; }, Qt::QueuedConnection);
}

void UiBridge::updateProgressBar() {
  if (!progressPending_.exchange(true)) emit progressChanged();
}

void UiBridge::updateTreeProgress(uint64_t /*savedData*/, uint64_t /*barDoubleValue*/) {
  if (!savingPending_.exchange(true)) emit savingProgress();
}

int UiBridge::askOnMainThread(const Alert& alert, int closingAnswer) {
  if (closing_) return closingAnswer;
  if (QThread::currentThread() == thread()) return dialogs_.alert(window_, alert);
  // The worker waits on a future rather than inside Qt's blocking call, so the
  // hand-over of the answer is one that ThreadSanitizer can follow.
  std::promise<int> answer;
  QMetaObject::invokeMethod(
      this, [&] { answer.set_value(closing_ ? closingAnswer : dialogs_.alert(window_, alert)); },
      Qt::QueuedConnection);
  return answer.get_future().get();
}

int UiBridge::showAlert(const Alert& alert) { return askOnMainThread(alert, 0); }

bool UiBridge::confirmStopSaving() { return askOnMainThread({kStopSavingQuestion, "", {"Yes", "No"}}, kYes) == kYes; }

}  // namespace salvonix::gui
