#include "core/version_compare.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace valdorine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

struct ParsedVersion {
  std::vector<uint64_t> numbers;
  char letter = 0;
};

ParsedVersion Parse(const char* text) {
  ParsedVersion version;
  bool dot_seen = false;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (IsDigit(*p)) {
      if (version.numbers.empty() && dot_seen) version.numbers.push_back(0);
      uint64_t number = 0;
      for (; IsDigit(*p); ++p) {
        // Saturates instead of wrapping, so a long run of digits never compares as a small number.
        number = number > (UINT64_MAX - 9) / 10 ? UINT64_MAX : number * 10 + static_cast<uint64_t>(*p - '0');
      }
      version.numbers.push_back(number);
      --p;
    } else {
      if (*p == '.') dot_seen = true;
      if (IsLetter(*p)) version.letter = *p;
    }
  }
  return version;
}

int Sign(uint64_t a, uint64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

}  // namespace

int CompareVersions(const char* a, const char* b) {
  ParsedVersion left = Parse(a), right = Parse(b);
  std::size_t common = std::min(left.numbers.size(), right.numbers.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (int order = Sign(left.numbers[i], right.numbers[i])) return order;
  }
  if (left.numbers.size() != right.numbers.size()) return left.numbers.size() < right.numbers.size() ? -1 : 1;
  return Sign(static_cast<unsigned char>(left.letter), static_cast<unsigned char>(right.letter));
}

}  // namespace valdorine
