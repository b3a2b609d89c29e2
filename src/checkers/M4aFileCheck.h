#pragma once
// M4A audio: ftyp with brand M4A.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class M4aFileCheck final : public QuickTimeFileCheck {
 public:
  explicit M4aFileCheck(ScanContext& context);
};

}  // namespace salvonix
