#include "checkers/M4bFileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "m4b",
    .firstAtom = QuickTimeVariant::FirstAtom::Brand,
    .brand = "M4B",
    .confirmSecondAtom = true,
    .zeroSizeCountsEight = false,
    .capTotal = true,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 512,
};
}  // namespace

M4bFileCheck::M4bFileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
