// Writing and reading the text of Uninstall.DAT.
#include "uninstall/uninstall_data_text.hpp"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "core/path_text.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::string_view kAssociationSeparator = "~!~";
constexpr int kAssociationFields = 4;
constexpr int kAutoCloseFields = 4;
constexpr int kConditionalDeleteFields = 4;
constexpr int kMaxStringNumber = 1000;
constexpr int kMaxByteValue = 255;

enum class Section {
  kUninstallList,
  kStrings,
  kAutoClose,
  kAssociations,
  kFirewall,
  kInf,
  kMsi,
  kRegistry2,
  kConditionalDelete,
};

struct SectionHeader {
  Section section;
  std::string_view text;
};
constexpr SectionHeader kHeaders[] = {
    {Section::kStrings, "[Strings]"},     {Section::kAutoClose, "[AutoClose]"},
    {Section::kAssociations, "[Associations]"}, {Section::kFirewall, "[Firewall]"},
    {Section::kInf, "[INF]"},             {Section::kMsi, "[MSI]"},
    {Section::kRegistry2, "[Registry2]"}, {Section::kConditionalDelete, "[ConditionalDelete]"},
};

std::string_view HeaderText(Section section) {
  for (const SectionHeader& header : kHeaders) {
    if (header.section == section) return header.text;
  }
  return {};
}

std::string_view View(const String& text) { return {text.Narrow(), static_cast<size_t>(text.Length())}; }
String TextOf(std::string_view view) { return String::FromBytes(view.data(), static_cast<int>(view.size())); }
String Utf8Of(const String& wide) { return NarrowFromWide(wide, code_page::kUtf8); }
String WideOfUtf8(std::string_view utf8) { return WideFromNarrow(TextOf(utf8), code_page::kUtf8); }
String Decimal(int value) { return String::FormatNarrow("%d", value); }

// The four fields of an [Associations] line; the last one takes the rest of the line.
Array<String> AssociationFields(std::string_view line) {
  Array<String> fields;
  while (fields.Count() < kAssociationFields - 1) {
    const size_t separator = line.find(kAssociationSeparator);
    if (separator == std::string_view::npos) break;
    fields.Append(TextOf(line.substr(0, separator)));
    line.remove_prefix(separator + kAssociationSeparator.size());
  }
  fields.Append(TextOf(line));
  fields.Resize(kAssociationFields);
  return fields;
}

bool HoldsAllAssociationFields(std::string_view line) {
  int separators = 0;
  for (size_t at = line.find(kAssociationSeparator); at != std::string_view::npos;
       at = line.find(kAssociationSeparator, at + kAssociationSeparator.size())) {
    ++separators;
  }
  return separators >= kAssociationFields - 1;
}

// One line of the file: its text runs from `start` to `end`, its line break from `end` to `next`.
struct Line {
  size_t start;
  size_t end;
  size_t next;
};

// Cuts at CR LF, LF CR, a single CR or a single LF; a last line without a break counts too.
Array<Line> CutLines(std::string_view text) {
  Array<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    size_t next = end;
    if (next < text.size()) {
      const char first = text[next++];
      const char pair = first == '\r' ? '\n' : '\r';
      if (next < text.size() && text[next] == pair) ++next;
    }
    lines.Append({start, end, next});
    start = next;
  }
  return lines;
}

// ---- Writing ----

bool NeedsQuotes(std::string_view field) {
  if (field.find_first_of(",\"\t\r\n;|") != std::string_view::npos) return true;
  if (field.empty()) return false;
  return field.front() == ' ' || field.front() == '\'' || field.front() == '#' || field.back() == ' ';
}

String CsvLine(std::initializer_list<String> fields) {
  String line;
  for (const String& field : fields) {
    if (&field != fields.begin()) line.AppendNarrowChar(',');
    line.Append(CsvField(field));
  }
  line.AppendNarrow(kLineEnd);
  return line;
}

// A path kept in the ANSI code page, as path text.
String PathTextOfAnsi(const String& ansi_path) { return NarrowPath(WideFromNarrow(ansi_path, code_page::kAnsi)); }

// The text with every line break as CR LF. A reader takes CR LF, LF CR, CR and LF alike, so a
// text whose last break were a lone LF would take the CR of the writer's own line end with it.
String WithCrLfLineBreaks(const String& text) {
  const std::string_view view = View(text);
  String normalized;
  for (const Line& line : CutLines(view)) {
    normalized.AppendBytes(view.data() + line.start, static_cast<int>(line.end - line.start));
    if (line.next > line.end) normalized.AppendNarrow(kLineEnd);
  }
  return normalized;
}

String StringsContent(const UninstallDataContent& content) {
  String text;
  const auto append_entry = [&text](int number, const String& wide) {
    text.AppendFormatNarrow("~%d\r\n", number);
    text.Append(WithCrLfLineBreaks(Utf8Of(wide)));
    text.AppendNarrow(kLineEnd);
  };
  int index = 0;
  for (const int number : kUninstallerStringNumbers) {
    append_entry(number, index < content.strings.Count() ? content.strings[index] : String());
    ++index;
  }
  append_entry(kSpecialStringNumber, content.special_string);
  return text;
}

String AutoCloseContent(const Array<AutoCloseEntry>& entries) {
  String text;
  for (const AutoCloseEntry& entry : entries) {
    text.Append(CsvLine({Utf8Of(entry.window_class), entry.window_title, entry.program_name, Decimal(entry.action)}));
  }
  return text;
}

String ConditionalDeleteContent(const Array<FileDeletion>& deletions) {
  String text;
  for (const FileDeletion& deletion : deletions) {
    text.Append(CsvLine({PathTextOfAnsi(deletion.pattern), Decimal(deletion.condition_kind), deletion.condition_value,
                         Decimal(deletion.flags)}));
  }
  return text;
}

// Two empty lines, the header, and the content, whose last line is given its line end if it lacks one.
void AppendSection(String& file, Section section, const String& content) {
  file.AppendNarrow(kLineEnd);
  file.AppendNarrow(kLineEnd);
  const std::string_view header = HeaderText(section);
  file.AppendBytes(header.data(), static_cast<int>(header.size()));
  file.AppendNarrow(kLineEnd);
  file.Append(content);
  if (!View(content).ends_with('\n')) file.AppendNarrow(kLineEnd);
}

void AppendSectionUnlessEmpty(String& file, Section section, const String& content) {
  if (!content.IsEmpty()) AppendSection(file, section, content);
}

// ---- Reading ----

std::string_view Trimmed(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// A decimal number of digits only, at most `maximum`.
std::optional<int> DecimalValue(std::string_view digits, int maximum) {
  if (digits.empty()) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > maximum) return std::nullopt;
  }
  return value;
}

std::optional<Section> HeaderSection(std::string_view line) {
  for (const SectionHeader& header : kHeaders) {
    if (line == header.text) return header.section;
  }
  return std::nullopt;
}

// Whether a line ends the text of a string: the next "~" line, or a line that begins with the
// header of a section after "[Strings]".
bool EndsStringText(std::string_view line) {
  if (line.starts_with('~')) return true;
  for (const SectionHeader& header : kHeaders) {
    if (header.section != Section::kStrings && line.starts_with(header.text)) return true;
  }
  return false;
}

class UninstallDataReader {
 public:
  explicit UninstallDataReader(std::string_view text) : text_(text), lines_(CutLines(text)) {}

  UninstallRecords Read() {
    for (int index = 0; index < lines_.Count();) {
      const std::string_view line = TrimmedLine(index);
      if (const std::optional<Section> header = HeaderSection(line)) {
        section_ = *header;
        ++index;
      } else if (section_ == Section::kStrings && line.starts_with('~')) {
        index = ReadString(index);
      } else {
        if (!line.empty()) AddLine(line);
        ++index;
      }
    }
    return std::move(records_);
  }

 private:
  std::string_view RawLine(int index) const {
    return text_.substr(lines_[index].start, lines_[index].end - lines_[index].start);
  }
  std::string_view TrimmedLine(int index) const { return Trimmed(RawLine(index)); }

  // Lines `first` up to `end` with the breaks between them, but not the break after the last.
  std::string_view Span(int first, int end) const {
    if (end <= first) return {};
    return text_.substr(lines_[first].start, lines_[end - 1].end - lines_[first].start);
  }

  // Reads the "~" line at `index` and the text lines after it; returns the index of the line that
  // ends the text. The writer's two empty lines before the next section are not part of the text.
  int ReadString(int index) {
    const std::optional<int> number = DecimalValue(TrimmedLine(index).substr(1), kMaxStringNumber);
    const int first = index + 1;
    int end = first;
    while (end < lines_.Count() && !EndsStringText(TrimmedLine(end))) ++end;
    int last = end;
    if (end < lines_.Count() && !TrimmedLine(end).starts_with('~')) {
      for (int separators = 0; separators < 2 && last > first && RawLine(last - 1).empty(); ++separators) --last;
    }
    if (number && *number >= 1) StoreString(*number, WideOfUtf8(Span(first, last)));
    return end;
  }

  void StoreString(int number, String wide) {
    if (number == kSpecialStringNumber) {
      records_.has_special_string = true;
      records_.special_string = std::move(wide);
      return;
    }
    for (int i = 0; i < records_.string_numbers.Count(); ++i) {
      if (records_.string_numbers[i] == number) {
        records_.string_texts[i] = std::move(wide);
        return;
      }
    }
    records_.string_numbers.Append(number);
    records_.string_texts.Append(std::move(wide));
  }

  void AddLine(std::string_view line) {
    switch (section_) {
      case Section::kUninstallList: records_.entries.Append(TextOf(line)); break;
      case Section::kStrings: break;  // before the first "~" line: no text to belong to
      case Section::kAutoClose: AddAutoClose(line); break;
      case Section::kAssociations: AddAssociation(line); break;
      case Section::kFirewall: records_.firewall.Append(TextOf(line)); break;
      case Section::kInf: records_.inf.Append(TextOf(line)); break;
      case Section::kMsi: records_.msi.Append(TextOf(line)); break;
      case Section::kRegistry2:
        records_.registry2.AppendBytes(line.data(), static_cast<int>(line.size()));
        records_.registry2.AppendNarrow(kLineEnd);
        break;
      case Section::kConditionalDelete: AddConditionalDelete(line); break;
    }
  }

  void AddAutoClose(std::string_view line) {
    const Array<String> fields = SplitCsv(TextOf(line));
    if (fields.Count() != kAutoCloseFields) return;
    const std::optional<int> action = DecimalValue(View(fields[3]), kMaxByteValue);
    if (!action) return;
    records_.auto_close.Append({WideOfUtf8(View(fields[0])), fields[1], fields[2], static_cast<uint8_t>(*action),
                                kAutoCloseForUninstaller});
  }

  // A record needs an extension, a class and a verb; a mark (no verb) needs all four fields. A short
  // line whose last field ends in "~!" would run into the separator written after it and come back
  // as other fields, so it is dropped rather than carried into a later file changed.
  void AddAssociation(std::string_view line) {
    Array<String> fields = AssociationFields(line);
    if (fields[0].IsEmpty() || fields[1].IsEmpty()) return;
    if (IsExistingClassMark(fields) && !HoldsAllAssociationFields(line)) return;
    if (!HoldsAllAssociationFields(line) && line.ends_with(kAssociationSeparator.substr(0, 2))) return;
    records_.associations.Append(std::move(fields));
  }

  void AddConditionalDelete(std::string_view line) {
    const Array<String> fields = SplitCsv(TextOf(line));
    if (fields.Count() != kConditionalDeleteFields) return;
    const std::optional<int> kind = DecimalValue(View(fields[1]), kMaxByteValue);
    const std::optional<int> flags = DecimalValue(View(fields[3]), kMaxByteValue);
    if (!kind || !flags) return;
    records_.conditional_deletes.Append({NarrowFromWide(WidePathFromNarrow(fields[0]), code_page::kAnsi),
                                         static_cast<uint8_t>(*kind), fields[2], static_cast<uint8_t>(*flags)});
  }

  std::string_view text_;
  Array<Line> lines_;
  Section section_ = Section::kUninstallList;
  UninstallRecords records_;
};

// One field from `at`, which ends at the comma after it or at the end of the line. A quoted field
// keeps what follows its closing quote up to the comma.
String ReadCsvField(std::string_view line, size_t& at) {
  String field;
  if (at < line.size() && line[at] == '"') {
    for (++at; at < line.size(); ++at) {
      if (line[at] == '"') {
        if (at + 1 >= line.size() || line[at + 1] != '"') {
          ++at;
          break;
        }
        ++at;  // a doubled quote stands for one
      }
      field.AppendBytes(&line[at], 1);
    }
  }
  const size_t comma = std::min(line.find(',', at), line.size());
  field.AppendBytes(line.data() + at, static_cast<int>(comma - at));
  at = comma;
  return field;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether 8-bit `text` (lines ending with CR LF) holds `line` as one of its lines; letter case of
// the ASCII letters does not count, as in the paths that most records name.
bool HoldsLine(std::string_view text, std::string_view line) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view candidate = text.substr(0, end);
    if (candidate.ends_with('\r')) candidate.remove_suffix(1);
    if (EqualIgnoringAsciiCase(candidate, line)) return true;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return false;
}

void AppendMissingLine(String& text, const String& line) {
  if (line.IsEmpty() || HoldsLine(View(text), View(line))) return;
  text.Append(line);
  text.AppendNarrow(kLineEnd);
}

void AppendMissingLines(String& text, const Array<String>& lines) {
  for (const String& line : lines) AppendMissingLine(text, line);
}

String AssociationLine(const Array<String>& fields) {
  String line;
  for (int i = 0; i < fields.Count(); ++i) {
    if (i > 0) line.AppendBytes(kAssociationSeparator.data(), static_cast<int>(kAssociationSeparator.size()));
    line.Append(fields[i]);
  }
  return line;
}

// The CR LF lines of 8-bit `text`, without their line ends.
Array<String> LinesOf(std::string_view text) {
  Array<String> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.Append(TextOf(line));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

bool NamesClass(const Array<String>& association, const String& class_name) {
  return EqualIgnoringAsciiCase(View(association[1]), View(class_name));
}

// True when `records` show that the product made `class_name`: records for it, none a mark.
bool EarlierInstallationMadeClass(const Array<Array<String>>& records, const String& class_name) {
  bool recorded = false;
  for (const Array<String>& association : records) {
    if (!NamesClass(association, class_name)) continue;
    if (IsExistingClassMark(association)) return false;
    recorded = true;
  }
  return recorded;
}

// Removes from the 8-bit `section` the marks of classes that the earlier installation made.
void DropMarksOfEarlierClasses(const Array<Array<String>>& earlier, String& section) {
  String kept;
  for (const String& line : LinesOf(View(section))) {
    const Array<String> association = AssociationFields(View(line));
    if (IsExistingClassMark(association) && EarlierInstallationMadeClass(earlier, association[1])) continue;
    kept.Append(line);
    kept.AppendNarrow(kLineEnd);
  }
  section = std::move(kept);
}

}  // namespace

bool IsExistingClassMark(const Array<String>& association) { return association[2].IsEmpty(); }

ExistingClassFacts ExistingClassFactsOf(const Array<String>& association) {
  const std::string_view facts = View(association[3]);
  return {facts.find('D') != std::string_view::npos, facts.find('E') != std::string_view::npos};
}

String ExistingClassMarkLine(const String& extension, const String& class_name, ExistingClassFacts facts) {
  return ConcatWide(extension.Wide(), u"~!~", class_name.Wide(), u"~!~~!~", facts.had_default ? u"D" : u"",
                    facts.named_by_extension ? u"E" : u"", nullptr);
}

void CarryEarlierRecords(const UninstallRecords& earlier, UninstallDataContent& content) {
  AppendMissingLines(content.uninstall_list, earlier.entries);
  DropMarksOfEarlierClasses(earlier.associations, content.sections.associations);
  for (const Array<String>& association : earlier.associations) {
    AppendMissingLine(content.sections.associations, AssociationLine(association));
  }
  AppendMissingLines(content.sections.firewall, earlier.firewall);
  AppendMissingLines(content.sections.inf, earlier.inf);
  AppendMissingLines(content.sections.msi, earlier.msi);
  String registry2 = Utf8Of(content.sections.registry2);
  AppendMissingLines(registry2, LinesOf(View(earlier.registry2)));
  content.sections.registry2 = WideOfUtf8(View(registry2));
}

String UninstallListLine(const String& wide_path, int kind) {
  constexpr char kMarks[] = {0, '~', '!', '^', '*'};  // by uninstall_entry kind
  String line;
  if (kind > uninstall_entry::kFile && kind <= uninstall_entry::kRegistryKey64) line.AppendNarrowChar(kMarks[kind]);
  line.Append(NarrowPath(wide_path));
  line.AppendNarrow(kLineEnd);
  return line;
}

String CsvField(const String& field) {
  const std::string_view text = View(field);
  if (!NeedsQuotes(text)) return field;
  String quoted;
  quoted.AppendNarrowChar('"');
  for (const char c : text) {
    if (c == '"') quoted.AppendNarrowChar('"');
    quoted.AppendBytes(&c, 1);
  }
  quoted.AppendNarrowChar('"');
  return quoted;
}

Array<String> SplitCsv(const String& line) {
  const std::string_view text = View(line);
  Array<String> fields;
  size_t at = 0;
  while (true) {
    fields.Append(ReadCsvField(text, at));
    if (at >= text.size()) return fields;
    ++at;  // past the comma
  }
}

String UninstallDataText(const UninstallDataContent& content) {
  String file = content.uninstall_list;
  AppendSection(file, Section::kStrings, StringsContent(content));
  AppendSectionUnlessEmpty(file, Section::kAutoClose, AutoCloseContent(content.auto_close));
  AppendSectionUnlessEmpty(file, Section::kAssociations, content.sections.associations);
  AppendSectionUnlessEmpty(file, Section::kFirewall, content.sections.firewall);
  AppendSectionUnlessEmpty(file, Section::kInf, content.sections.inf);
  AppendSectionUnlessEmpty(file, Section::kMsi, content.sections.msi);
  AppendSectionUnlessEmpty(file, Section::kRegistry2, Utf8Of(content.sections.registry2));
  AppendSectionUnlessEmpty(file, Section::kConditionalDelete, ConditionalDeleteContent(content.conditional_deletes));
  return file;
}

UninstallRecords ReadUninstallData(const String& text) { return UninstallDataReader(View(text)).Read(); }

}  // namespace valdorine
