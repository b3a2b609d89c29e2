#pragma once
// How the scanning engine talks to its front end. The operations carry the
// names of the controller messages; a GUI forwards them to its main thread.

#include <string>
#include <vector>

#include "scan/FileTypes.h"

namespace salvonix {

struct Alert {
  std::string title;
  std::string text;
  std::vector<std::string> buttons;  // the first is the default
};

inline constexpr const char* kDriveCannotOpen = "Drive cannot open or not found";
inline constexpr const char* kSomeSectorsUnreadable = "Some sectors could not be read";

class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void reconstructAfterRescan() {}
  virtual void refreshRecoveredFiles() {}
  virtual void expandRecoveredFilesTree() {}
  virtual void setProgressBarValue(float percent) { (void)percent; }
  virtual void updateProgressBar() {}
  virtual void scanningCompleted() {}
  // A modal alert; returns the index of the button chosen.
  virtual int showAlert(const Alert& alert) = 0;
};

}  // namespace salvonix
