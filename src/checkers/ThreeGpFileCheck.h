#pragma once
// 3GP: ftyp with brand 3gp, recognised from the sector header alone.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class ThreeGpFileCheck final : public QuickTimeFileCheck {
 public:
  explicit ThreeGpFileCheck(ScanContext& context);
};

}  // namespace salvonix
