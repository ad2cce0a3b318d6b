// The multipart form that every form this installer sends is written as: the fixed boundary
// "AaB03x", the fields in the order added, each value as given (bytes).
#pragma once

#include "core/string.hpp"

namespace valdorine {

class MultipartForm {
 public:
  void AddField(const char* name, const String& value);

  // The request body: the fields and the closing boundary.
  String Body() const;
  // The header lines that go with `body`: its content type and length, each ending with CR LF.
  static String HeadersFor(const String& body);

 private:
  String fields_;
};

}  // namespace valdorine
