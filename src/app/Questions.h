#pragma once
// The questions and alerts of the page flow, word for word.

#include "scan/ScanObserver.h"

namespace salvonix::gui::questions {

inline const Alert kStopScanning{"Do you wish to stop the scanning process?", "", {"Yes", "No"}};
inline const Alert kCloseApplication{"Do you wish to close the application?", "", {"Yes", "No"}};
// Asked by "back" on the results page and by the side panel.
inline const Alert kSaveBeforeLeaving{"Do you wish to save \"Razozuri Deri\"?", "", {"Yes", "Cancel", "No"}};
// Asked by "home".
inline const Alert kSaveBeforeHome{"Do you wish to save \"Razozuri Deri?\"", "", {"Yes", "Cancel", "No"}};
inline const Alert kSaveBeforeExit{"Do you wish to save \"Razozuri Deri\" before closing the application?", "",
                                   {"Yes", "Cancel", "No"}};
// Asked by the window's close box.
inline const Alert kSaveBeforeClose{"Do you wish to save Razozuri Deri before closing the application?", "",
                                    {"Yes", "Cancel", "No"}};
inline constexpr int kCancel = 1;
inline constexpr int kNo = 2;

}  // namespace salvonix::gui::questions
