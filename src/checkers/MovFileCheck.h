#pragma once
// QuickTime movies (MOV): a first atom ftyp with brand qt, or a movie atom.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class MovFileCheck final : public QuickTimeFileCheck {
 public:
  explicit MovFileCheck(ScanContext& context);
};

}  // namespace salvonix
