#include "checkers/M4vFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "m4v",
    .firstAtom = QuickTimeVariant::FirstAtom::Brand,
    .brand = "M4V",
    .confirmSecondAtom = true,
    .zeroSizeCountsEight = false,
    .capTotal = true,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 512,
};
}  // namespace

M4vFileCheck::M4vFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
