#include "paths/version_parts.hpp"

namespace valdorine {

String VersionPart(const String& version, int index) {
  int start = 0;
  for (int part = 0; part < index; ++part) {
    const int dot = version.FindWide(u".", start);
    if (dot < 0) return {};
    start = dot + 1;
  }
  const int end = version.FindWide(u".", start);
  return version.Substring(start, end < 0 ? String::kUpToTerminator : end - start);
}

}  // namespace valdorine
