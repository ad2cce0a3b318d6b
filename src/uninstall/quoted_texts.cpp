#include "uninstall/quoted_texts.hpp"

namespace valdorine {

Array<String> QuotedTexts(const String& value) {
  Array<String> texts;
  int start = 0;
  while (true) {
    while (start < value.Length() && value.NarrowAt(start) != '"') ++start;
    int end = start + 1;
    while (end < value.Length() && value.NarrowAt(end) != '"') ++end;
    if (end >= value.Length()) return texts;
    texts.Append(String::FromBytes(value.Bytes() + start + 1, end - start - 1));
    start = end + 1;
  }
}

}  // namespace valdorine
