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
    .defersTo = {},
    .answer = kArwA100 | kArwA700,
    .clearedAtStart = kEveryFlag | kArwA100 | kArwA700,
    .minEntries = 4,
    .makeOffsetLimit = kLimit100MiB,
    .makeCopy = StringCopy::Count,
    .make = kDngAwareMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = kArwModelRules,
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit100MiB,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kSr2Variant{
    .defersTo = kSr2Defers,
    .answer = kSr2,
    .clearedAtStart = kFoundFlags | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit100MiB,
    .makeCopy = StringCopy::Count,
    .make = kKodakMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = true,
    .modelRules = kKodakModelRules,
    .modelCopy = StringCopy::Fixed32,
    .modelOffsetLimit = kNoLimit,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = true,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kKdcVariant{
    .defersTo = kKdcDefers,
    .answer = kKdc,
    .clearedAtStart = kFoundFlags | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kNoLimit,
    .makeCopy = StringCopy::Count,
    .make = kKodakMakes,
    .makeStringRules = kKdcMakeRules,
    .sonyMakeLooksForR1 = false,
    .modelRules = kKodakModelRules,
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kNoLimit,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kK25Variant{
    .defersTo = kK25Defers,
    .answer = kK25,
    .clearedAtStart = kFoundFlags | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = kKodakMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = kK25ModelRules,
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kDcrVariant{
    .defersTo = kDcrDefers,
    .answer = kDcr,
    .clearedAtStart = kFoundFlags | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = kKodakMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = kDcrModelRules,
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kPefVariant{
    .defersTo = kPefDefers,
    .answer = kPef,
    .clearedAtStart = kCr2 | kCrw | kLeica | kNef | kOrf | kPef | kPanasonic | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = kDngAwareMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = kDng,
    .dngClears = kDngClearsAll,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kDngVariant{
    .defersTo = kDngDefers,
    .answer = kDng,
    .clearedAtStart = kCr2 | kCrw | kLeica | kNef | kOrf | kPef | kDng | kPanasonic | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = kDngAwareMakes,
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = kDng,
    .dngClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .dngAnswer = true,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kFoundFlags,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kCr2Variant{
    .defersTo = kCr2Defers,
    .answer = kCr2,
    .clearedAtStart = kLeica | kCrw | kNef | kOrf | kPanasonic | kTiff,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::MarkCr2AndGoOn, MakeEffect::Apply, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kCr2 | kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr,
    .answerBeforePlainTiff = true,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kNefVariant{
    .defersTo = kNefDefers,
    .answer = kNef,
    .clearedAtStart = kLeica | kCrw | kOrf | kTiff | kPanasonic,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectCr2, MakeEffect::Apply, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr | kTiff,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerFalse,
    .plainTiffClears = kCrw | kLeica | kNef | kOrf | kPanasonic | kThreefr,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kTiffVariant{
    .defersTo = kTiffDefers,
    .answer = kTiff,
    .clearedAtStart = kRawTiff | kLeica | kCrw | kOrf | kPanasonic,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectCr2, MakeEffect::Ignore, MakeEffect::Apply, MakeEffect::Apply, PentaxRule::Plain,
             MakeEffect::Apply, MakeEffect::Apply},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr | kTiff,
    .dngAnswer = false,
    .plainTiff = PlainTiff::AnswerTrue,
    .plainTiffClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = 0,
};

const ClassifierVariant kOrfVariant{
    .defersTo = kOrfDefers,
    .answer = kOrf,
    .clearedAtStart = kLeica | kCrw | kOrf,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore,
             PentaxRule::PlainWithoutFlags, MakeEffect::Apply, MakeEffect::Apply},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kOrf | kPanasonic | kThreefr,
    .dngAnswer = false,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = kLeica | kPanasonic | kThreefr,
};

const ClassifierVariant kRawPanasonicVariant{
    .defersTo = kRawPanasonicDefers,
    .answer = kPanasonic,
    .clearedAtStart = kCrw | kPanasonic,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore, PentaxRule::Reject,
             MakeEffect::Reject, MakeEffect::Apply},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kPanasonic | kThreefr,
    .dngAnswer = false,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = kLeica | kPanasonic | kThreefr,
};

const ClassifierVariant kLeicaVariant{
    .defersTo = kLeicaDefers,
    .answer = kLeica,
    .clearedAtStart = kCrw | kLeica,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Apply, MakeEffect::Ignore, PentaxRule::Ignore,
             MakeEffect::Ignore, MakeEffect::Ignore},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kLeica | kThreefr,
    .dngAnswer = false,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = kLeica | kThreefr,
};

const ClassifierVariant kThreefrVariant{
    .defersTo = kThreefrDefers,
    .answer = kThreefr,
    .clearedAtStart = kCrw,
    .minEntries = 2,
    .makeOffsetLimit = kLimit150MiB,
    .makeCopy = StringCopy::Count,
    .make = {CanonRule::RejectAll, MakeEffect::Reject, MakeEffect::Reject, MakeEffect::Ignore, PentaxRule::Ignore,
             MakeEffect::Ignore, MakeEffect::Ignore},
    .makeStringRules = {},
    .sonyMakeLooksForR1 = false,
    .modelRules = {},
    .modelCopy = StringCopy::Count,
    .modelOffsetLimit = kLimit150MiB,
    .dngSets = 0,
    .dngClears = kCrw | kThreefr,
    .dngAnswer = false,
    .plainTiff = PlainTiff::NotTested,
    .plainTiffClears = 0,
    .answerBeforePlainTiff = false,
    .clearedWhenNotRaw = kThreefr,
};

}  // namespace salvonix::tiff
