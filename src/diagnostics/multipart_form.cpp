#include "diagnostics/multipart_form.hpp"

namespace valdorine {

void MultipartForm::AddField(const char* name, const String& value) {
  fields_.AppendFormatNarrow("--AaB03x\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n", name);
  fields_.Append(value);
  fields_.AppendNarrow("\r\n");
}

String MultipartForm::Body() const {
  String body = fields_;
  body.AppendNarrow("--AaB03x--\r\n");
  return body;
}

String MultipartForm::HeadersFor(const String& body) {
  return String::FormatNarrow("Content-Type: multipart/form-data; boundary=AaB03x\r\nContent-Length: %d\r\n",
                              body.Length());
}

}  // namespace valdorine
