#pragma once
// M4V video: ftyp with brand M4V.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class M4vFileCheck final : public QuickTimeFileCheck {
 public:
  explicit M4vFileCheck(ScanContext& context);
};

}  // namespace salvonix
