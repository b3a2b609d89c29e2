#pragma once
// 3G2: ftyp with brand 3g2, recognised from the sector header alone.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class ThreeGTwoFileCheck final : public QuickTimeFileCheck {
 public:
  explicit ThreeGTwoFileCheck(ScanContext& context);
};

}  // namespace salvonix
