#include "checkers/MovFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "mov",
    .firstAtom = QuickTimeVariant::FirstAtom::QuickTimeMovie,
    .brand = "",
    .confirmSecondAtom = true,
    .zeroSizeCountsEight = true,
    .capTotal = false,
    .windowMove = QuickTimeVariant::WindowMove::ToSector,
    .smallResult = 0,
};
}  // namespace

MovFileCheck::MovFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
