#include "checkers/TiffVariants.h"

namespace salvonix::tiff {

namespace {

using R = RawFamilySelection;
using Sel = bool R::*;

// The checkers run in the order ARW, SR2, KDC, K25, DCR, PEF, DNG, CR2, NEF,
// TIFF, ORF, Panasonic, Leica, 3FR; each defers to the earlier ones whose
// classifier leaves the flags it needs.
constexpr Sel kSr2Defers[] = {&R::bArwSelected};
constexpr Sel kKdcDefers[] = {&R::bArwSelected, &R::bSonySr2Selected};
constexpr Sel kK25Defers[] = {&R::bArwSelected, &R::bSonySr2Selected, &R::bKdcSelected};
constexpr Sel kDcrDefers[] = {&R::bArwSelected, &R::bSonySr2Selected, &R::bKdcSelected, &R::bK25Selected};
constexpr Sel kPefDefers[] = {&R::bArwSelected, &R::bSonySr2Selected};
constexpr Sel kDngDefers[] = {&R::bArwSelected, &R::bSonySr2Selected, &R::bPentaxSelected};
constexpr Sel kCr2Defers[] = {&R::bArwSelected, &R::bSonySr2Selected, &R::bPentaxSelected, &R::bDngSelected};
constexpr Sel kNefDefers[] = {&R::bArwSelected, &R::bSonySr2Selected, &R::bPentaxSelected, &R::bDngSelected,
                              &R::bCanonSelected};
constexpr Sel kTiffDefers[] = {&R::bArwSelected,   &R::bSonySr2Selected, &R::bPentaxSelected,
                               &R::bDngSelected,   &R::bCanonSelected,   &R::bNikonSelected,
                               &R::bKdcSelected,   &R::bK25Selected,     &R::bKodakDcrSelected};
constexpr Sel kOrfDefers[] = {&R::bArwSelected,   &R::bSonySr2Selected, &R::bPentaxSelected, &R::bDngSelected,
                              &R::bCanonSelected, &R::bNikonSelected,   &R::bTiffSelected};
constexpr Sel kRawPanasonicDefers[] = {&R::bArwSelected,   &R::bSonySr2Selected, &R::bPentaxSelected,
                                       &R::bDngSelected,   &R::bCanonSelected,   &R::bNikonSelected,
                                       &R::bTiffSelected,  &R::bOlympusSelected};
constexpr Sel kLeicaDefers[] = {&R::bArwSelected,  &R::bSonySr2Selected, &R::bPentaxSelected,
                                &R::bDngSelected,  &R::bCanonSelected,   &R::bNikonSelected,
                                &R::bTiffSelected, &R::bOlympusSelected, &R::bRawPanasonicSelected};
constexpr Sel kThreefrDefers[] = {&R::bArwSelected,     &R::bSonySr2Selected, &R::bPentaxSelected,
                                  &R::bDngSelected,     &R::bCanonSelected,   &R::bNikonSelected,
                                  &R::bTiffSelected,    &R::bOlympusSelected, &R::bRawPanasonicSelected,
                                  &R::bLeicaSelected};

constexpr StringRule kArwModelRules[] = {
    {7, Match::Exactly, "DSC-R1", kSr2},
    {8, Match::Exactly, "DCS PRO", kDcr},
    {9, Match::StartsWith, "DSLR-A700", kArwA700, kArwA100},
    {9, Match::StartsWith, "DSLR-A200", kArwA700, kArwA100},
    {9, Match::StartsWith, "DSLR-A300", kArwA700, kArwA100},
    {9, Match::StartsWith, "DSLR-A350", kArwA700, kArwA100},
    {9, Match::StartsWith, "DSLR-A100", kArwA100, kArwA700},
    {9, Match::Exactly, "DCS 669C", kDcr},
    {10, Match::StartsWith, "KODAK DC25", kK25},
    {11, Match::StartsWith, "DCS Pro SLR", kDcr},
    {11, Match::StartsWith, "Kodak DC120", kKdc},
    {11, Match::Contains, "DCS", kDcr},
    {26, Match::StartsWith, "Kodak Digital Science DC50", kKdc},
    {30, Match::StartsWith, "KODAK P880 ZOOM DIGITAL CAMERA", kKdc},
};
constexpr StringRule kKodakModelRules[] = {
    {8, Match::Exactly, "DCS PRO", kDcr},
    {9, Match::Exactly, "DCS 669C", kDcr},
    {10, Match::StartsWith, "KODAK DC25", kK25},
    {11, Match::StartsWith, "DCS Pro SLR", kDcr},
    {11, Match::StartsWith, "Kodak DC120", kKdc},
    {11, Match::Contains, "DCS", kDcr},
    {26, Match::StartsWith, "Kodak Digital Science DC50", kKdc},
    {30, Match::StartsWith, "KODAK P880 ZOOM DIGITAL CAMERA", kKdc},
};
constexpr StringRule kKdcMakeRules[] = {
    {11, Match::StartsWith, "Kodak DC120", kKdc},
    {26, Match::StartsWith, "Kodak Digital Science DC50", kKdc},
    {30, Match::StartsWith, "KODAK P880 ZOOM DIGITAL CAMERA", kKdc},
};
constexpr StringRule kK25ModelRules[] = {
    {8, Match::Exactly, "DCS PRO", kDcr},
    {9, Match::Exactly, "DCS 669C", kDcr},
    {10, Match::StartsWith, "KODAK DC25", kK25},
    {11, Match::Contains, "DCS", kDcr},
};
constexpr StringRule kDcrModelRules[] = {
    {11, Match::Contains, "DCS", kDcr},
};

// Make rules of the variants that know every camera (ARW, PEF, DNG) and of the
// Kodak variants and SR2, which leave Canon files to later checkers at once.
constexpr MakeRules kDngAwareMakes{CanonRule::MarkCr2ThenReject, MakeEffect::Apply, MakeEffect::Apply,
                                   MakeEffect::Apply, PentaxRule::DngAware, MakeEffect::Apply, MakeEffect::Apply};
constexpr MakeRules kKodakMakes{CanonRule::MarkBothThenReject, MakeEffect::Apply, MakeEffect::Apply,
                                MakeEffect::Apply, PentaxRule::DngAware, MakeEffect::Apply, MakeEffect::Apply};

// A DNG tag in the variants that know DNG: only the DNG flag remains.
constexpr TiffFlags kDngClearsAll = (kFoundFlags & ~kDng) | kRawTiff;
constexpr TiffFlags kEveryFlag = kFoundFlags | kTiff | kRawTiff | kCanonRawTiff;

}  // namespace

const ClassifierVariant kArwVariant{
    .answer = kArwA100 | kArwA700,
    .clearedAtStart = kEveryFlag | kArwA100 | kArwA700,
    .minEntries = 4,
    .makeOffsetLimit = kLimit100MiB,
    .make = kDngAwareMakes,
    .modelRules = kArwModelRules,
    .modelOffsetLimit = kLimit100MiB,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kSr2Variant{
    .defersTo = kSr2Defers,
    .answer = kSr2,
    .clearedAtStart = kFoundFlags | kTiff,
    .makeOffsetLimit = kLimit100MiB,
    .make = kKodakMakes,
    .sonyMakeLooksForR1 = true,
    .modelRules = kKodakModelRules,
    .modelCopy = StringCopy::Fixed32,
    .modelOffsetLimit = kNoLimit,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = true,
};

const ClassifierVariant kKdcVariant{
    .defersTo = kKdcDefers,
    .answer = kKdc,
    .clearedAtStart = kFoundFlags | kTiff,
    .makeOffsetLimit = kNoLimit,
    .make = kKodakMakes,
    .makeStringRules = kKdcMakeRules,
    .modelRules = kKodakModelRules,
    .modelOffsetLimit = kNoLimit,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kK25Variant{
    .defersTo = kK25Defers,
    .answer = kK25,
    .clearedAtStart = kFoundFlags | kTiff,
    .make = kKodakMakes,
    .modelRules = kK25ModelRules,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kDcrVariant{
    .defersTo = kDcrDefers,
    .answer = kDcr,
    .clearedAtStart = kFoundFlags | kTiff,
    .make = kKodakMakes,
    .modelRules = kDcrModelRules,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kPefVariant{
    .defersTo = kPefDefers,
    .answer = kPef,
    .clearedAtStart = kCr2 | kCrw | kLeica | kNef | kOrf | kPef | kPanasonic | kTiff,
    .make = kDngAwareMakes,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kDngVariant{
    .defersTo = kDngDefers,
    .answer = kDng,
    .clearedAtStart = kCr2 | kCrw | kLeica | kNef | kOrf | kPef | kDng | kPanasonic | kTiff,
    .make = kDngAwareMakes,
    .dngSets = kDng,
    .dngClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .dngAnswer = true,
    .plainTiffClears = kFoundFlags,
};

const ClassifierVariant kCr2Variant{
    .defersTo = kCr2Defers,
    .answer = kCr2,
    .clearedAtStart = kLeica | kCrw | kNef | kOrf | kPanasonic | kTiff,
    .make = {CanonRule::MarkCr2AndGoOn, MakeEffect::Apply, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .dngSets = 0,
    .dngClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .plainTiffClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr,
    .answerBeforePlainTiff = true,
};

const ClassifierVariant kNefVariant{
    .defersTo = kNefDefers,
    .answer = kNef,
    .clearedAtStart = kLeica | kCrw | kOrf | kTiff | kPanasonic,
    .make = {CanonRule::RejectCr2, MakeEffect::Apply, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .plainTiffClears = kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr,
};

const ClassifierVariant kTiffVariant{
    .defersTo = kTiffDefers,
    .answer = kTiff,
    .clearedAtStart = kRawTiff | kLeica | kCrw | kOrf | kPanasonic,
    .make = {CanonRule::RejectCr2, MakeEffect::Ignore, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr | kTiff,
    .plainTiff = PlainTiff::AnswerTrue,
    .plainTiffClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr,
};

const ClassifierVariant kOrfVariant{
    .defersTo = kOrfDefers,
    .answer = kOrf,
    .clearedAtStart = kLeica | kCrw | kOrf,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore,
             PentaxRule::PlainWithoutFlags, MakeEffect::Apply, MakeEffect::Apply},
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .clearedWhenNotRaw = kLeica | kPanasonic | kThreefr,
};

const ClassifierVariant kRawPanasonicVariant{
    .defersTo = kRawPanasonicDefers,
    .answer = kPanasonic,
    .clearedAtStart = kCrw | kPanasonic,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore, PentaxRule::Reject,
             MakeEffect::Reject, MakeEffect::Apply},
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kPanasonic | kThreefr,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .clearedWhenNotRaw = kLeica | kPanasonic | kThreefr,
};

const ClassifierVariant kLeicaVariant{
    .defersTo = kLeicaDefers,
    .answer = kLeica,
    .clearedAtStart = kCrw | kLeica,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore, PentaxRule::Ignore,
             MakeEffect::Ignore, MakeEffect::Ignore},
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kThreefr,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .clearedWhenNotRaw = kLeica | kThreefr,
};

const ClassifierVariant kThreefrVariant{
    .defersTo = kThreefrDefers,
    .answer = kThreefr,
    .clearedAtStart = kCrw,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Reject, MakeEffect::Ignore, PentaxRule::Ignore,
             MakeEffect::Ignore, MakeEffect::Ignore},
    .dngSets = 0,
    .dngClears = kCrw | kThreefr,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .clearedWhenNotRaw = kThreefr,
};

}  // namespace salvonix::tiff
