#pragma once
// MP4: ftyp with any brand that none of the other family members claims.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class Mp4FileCheck final : public QuickTimeFileCheck {
 public:
  explicit Mp4FileCheck(ScanContext& context);
};

}  // namespace salvonix
