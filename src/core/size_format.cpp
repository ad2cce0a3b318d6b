#include "core/size_format.hpp"

namespace valdorine {
namespace {

struct SizeUnit {
  int64_t limit;  // the unit serves counts below this
  double divisor;
  const char16_t* format;
};

constexpr int64_t kKiB = int64_t{1} << 10;
constexpr int64_t kMiB = int64_t{1} << 20;
constexpr int64_t kGiB = int64_t{1} << 30;
constexpr int64_t kTiB = int64_t{1} << 40;

constexpr SizeUnit kUnits[] = {
    {kMiB, static_cast<double>(kKiB), u"%.2f KB"},
    {kGiB, static_cast<double>(kMiB), u"%.2f MB"},
    {kTiB, static_cast<double>(kGiB), u"%.2f GB"},
};

}  // namespace

String FormatSize(int64_t bytes) {
  if (bytes < kKiB) return String::FormatWide(u"%I64d bytes", bytes);
  for (const SizeUnit& unit : kUnits) {
    if (bytes < unit.limit) return String::FormatWide(unit.format, static_cast<double>(bytes) / unit.divisor);
  }
  return String::FormatWide(u"%.2f TB", static_cast<double>(bytes) / static_cast<double>(kTiB));
}

}  // namespace valdorine
