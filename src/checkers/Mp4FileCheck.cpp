#include "checkers/Mp4FileCheck.h"

namespace salvonix {

namespace {
constexpr QuickTimeVariant kVariant{
    .key = "mp4",
    .firstAtom = QuickTimeVariant::FirstAtom::OtherBrand,
    .brand = "",
    .confirmSecondAtom = true,
    .zeroSizeCountsEight = false,
    .capTotal = true,
    .windowMove = QuickTimeVariant::WindowMove::By64KiB,
    .smallResult = 0,
};
}  // namespace

Mp4FileCheck::Mp4FileCheck(ScanContext& context) : QuickTimeFileCheck(context, kVariant) {}

}  // namespace salvonix
