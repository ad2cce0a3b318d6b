// Comparison of product versions as authors write them ("1.2", "2.0.1b", "v3 build 7").
#pragma once

namespace valdorine {

// Compares two 8-bit version texts: <0 when a is below b, 0 when equal, >0 when above.
// Each text is read as its runs of digits in order (a "." before the first digit run counts as a
// leading 0) and its last letter. Numbers are compared in order and the first difference decides;
// a list that ends first is the smaller (1.2 is below 1.2.0); equal lists are decided by the letter,
// where no letter counts as 0.
int CompareVersions(const char* a, const char* b);

inline bool VersionIsBelow(const char* a, const char* b) { return CompareVersions(a, b) < 0; }

}  // namespace valdorine
