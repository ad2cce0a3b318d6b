#include "nearest_name.hpp"

#include <algorithm>
#include <cctype>

namespace valdorine::builder {
namespace {

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

size_t EditDistance(std::string_view a, std::string_view b) {
  // Optimal string alignment: three rows of the classic table suffice for neighbour swaps.
  std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = SameLetter(a[i - 1], b[j - 1]) ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) && SameLetter(a[i - 2], b[j - 1])) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

std::string NearestName(std::string_view typed, const std::vector<std::string>& candidates) {
  std::string nearest;
  size_t best = 0;
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(typed, candidate);
    const size_t longer = std::max(typed.size(), candidate.size());
    if (distance * 3 > longer || distance >= longer) continue;
    if (nearest.empty() || distance < best) {
      nearest = candidate;
      best = distance;
    }
  }
  return nearest;
}

}  // namespace valdorine::builder
