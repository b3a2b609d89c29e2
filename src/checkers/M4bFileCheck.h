#pragma once
// M4B audio books: ftyp with brand M4B.

#include "checkers/QuickTimeFileCheck.h"

namespace salvonix {

class M4bFileCheck final : public QuickTimeFileCheck {
 public:
  explicit M4bFileCheck(ScanContext& context);
};

}  // namespace salvonix
