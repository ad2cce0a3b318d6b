// Fuzzes the Uninstall.DAT reader. Whatever it reads must write back, and the written text must
// read back to the same records: the writer and the reader agree on every record the reader keeps.
#include <cstddef>
#include <cstdint>

#include "uninstall/uninstall_data_text.hpp"

namespace {

using valdorine::Array;
using valdorine::String;
using valdorine::UninstallDataContent;
using valdorine::UninstallRecords;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The texts in the writer's order: numbers the file did not hold stay empty.
Array<String> StringTable(const UninstallRecords& records) {
  Array<String> texts;
  for (const int number : valdorine::kUninstallerStringNumbers) {
    String text;
    for (int i = 0; i < records.string_numbers.Count(); ++i) {
      if (records.string_numbers[i] == number) text = records.string_texts[i];
    }
    texts.Append(text);
  }
  return texts;
}

void AppendLine(String& text, const String& line) {
  text.Append(line);
  text.AppendNarrow("\r\n");
}

String Lines(const Array<String>& lines) {
  String text;
  for (const String& line : lines) AppendLine(text, line);
  return text;
}

String AssociationLines(const Array<Array<String>>& associations) {
  String text;
  for (const Array<String>& fields : associations) {
    String line;
    for (const String& field : fields) {
      if (&field != &fields.First()) line.AppendNarrow("~!~");
      line.Append(field);
    }
    AppendLine(text, line);
  }
  return text;
}

UninstallDataContent ContentOf(const UninstallRecords& records) {
  UninstallDataContent content;
  content.uninstall_list = Lines(records.entries);
  content.sections.associations = AssociationLines(records.associations);
  content.sections.firewall = Lines(records.firewall);
  content.sections.inf = Lines(records.inf);
  content.sections.msi = Lines(records.msi);
  content.sections.registry2 = valdorine::WideFromNarrow(records.registry2, valdorine::code_page::kUtf8);
  content.strings = StringTable(records);
  content.special_string = records.special_string;
  content.auto_close = records.auto_close;
  content.conditional_deletes = records.conditional_deletes;
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String text = String::FromBytes(data, static_cast<int>(size));
  const UninstallRecords records = valdorine::ReadUninstallData(text);
  const String written = valdorine::UninstallDataText(ContentOf(records));
  const UninstallRecords again = valdorine::ReadUninstallData(written);
  Check(again.entries.Count() == records.entries.Count());
  Check(again.auto_close.Count() == records.auto_close.Count());
  Check(again.conditional_deletes.Count() == records.conditional_deletes.Count());
  Check(again.associations.Count() == records.associations.Count());
  Check(again.firewall.Count() == records.firewall.Count() && again.msi.Count() == records.msi.Count());
  Check(valdorine::UninstallDataText(ContentOf(again)) == written);
  return 0;
}
