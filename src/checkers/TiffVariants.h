#pragma once
// The make classifier's variant of each TIFF-based checker.

#include "checkers/MakeClassifier.h"

namespace salvonix::tiff {

extern const ClassifierVariant kArwVariant;
extern const ClassifierVariant kSr2Variant;
extern const ClassifierVariant kKdcVariant;
extern const ClassifierVariant kK25Variant;
extern const ClassifierVariant kDcrVariant;
extern const ClassifierVariant kPefVariant;
extern const ClassifierVariant kDngVariant;
extern const ClassifierVariant kCr2Variant;
extern const ClassifierVariant kNefVariant;
extern const ClassifierVariant kTiffVariant;
extern const ClassifierVariant kOrfVariant;
extern const ClassifierVariant kRawPanasonicVariant;
extern const ClassifierVariant kLeicaVariant;
extern const ClassifierVariant kThreefrVariant;

}  // namespace salvonix::tiff
