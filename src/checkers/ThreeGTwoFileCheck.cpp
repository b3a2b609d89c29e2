#include "checkers/ThreeGTwoFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "3g2",
    .firstAtom = QuickTimeVariant::FirstAtom::Brand,
    .brand = "3g2",
    .confirmSecondAtom = false,
    .zeroSizeCountsEight = false,
    .capTotal = true,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 512,
};
}  // namespace

ThreeGTwoFileCheck::ThreeGTwoFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
