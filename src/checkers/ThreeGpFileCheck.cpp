#include "checkers/ThreeGpFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "3gp",
    .firstAtom = QuickTimeVariant::FirstAtom::Brand,
    .brand = "3gp",
    .confirmSecondAtom = false,
    .zeroSizeCountsEight = false,
    .capTotal = true,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 512,
};
}  // namespace

ThreeGpFileCheck::ThreeGpFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
