#include "checkers/M4aFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "m4a",
    .firstAtom = QuickTimeVariant::FirstAtom::Brand,
    .brand = "M4A",
    .confirmSecondAtom = true,
    .zeroSizeCountsEight = false,
    .capTotal = false,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 512,
};
}  // namespace

M4aFileCheck::M4aFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
