// The feature values of a line of the reference set, read as the writers
// write them. Nearly all of a run's reading is this: thousands of lines of
// 233 small numbers each, so on a processor that has them it is done with
// vector instructions, sixteen characters at a time.
#pragma once

#include "refset.hpp"

namespace vanto::vecplan {

// Reads the values from p to end: one space before each, one to four
// digits that make at most kMaxValue, nothing after the last. On success p
// is left at end. False at anything else, p and values then holding
// nothing of use; the reference set's careful readings then read the line
// or say what is wrong with it.
bool readValues(const char*& p, const char* end, FeatureVector& values);

// The same, one character at a time: what readValues does where the
// processor lacks the vector instructions it uses.
bool readValuesOneByOne(const char*& p, const char* end, FeatureVector& values);

} // namespace vanto::vecplan
