#include "script_report.hpp"

#include <cstring>
#include <type_traits>
#include <vector>

#include "format/install_script_layout.hpp"
#include "string_names.hpp"
#include "text_codec.hpp"

namespace valdorine::builder {
namespace {

std::string FileSummary(const String& bytes) {
  return bytes.IsEmpty() ? std::string() : "<" + std::to_string(bytes.Length()) + " bytes>";
}

std::string Decoded(const String& text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kWide:
      return Utf8FromWide(text);
    case TextEncoding::kAnsi:
      return Utf8FromAnsi(text);
    case TextEncoding::kUtf8:
      return std::string(text.Narrow(), static_cast<size_t>(text.Length()));
    case TextEncoding::kFile:
      return FileSummary(text);
    case TextEncoding::kRichOrWide:
      return text.Length() >= 5 && std::memcmp(text.Narrow(), "{\\rtf", 5) == 0 ? Utf8FromAnsi(text)
                                                                                 : Utf8FromWide(text);
  }
  return {};
}

// Builds the report while the layout walks the script; `open_` is the object being filled.
class DescribeCodec {
 public:
  explicit DescribeCodec(Report& root) : open_{&root} {}

  template <typename T>
  void Number(const char* name, T value) {
    if constexpr (std::is_floating_point_v<T>) {
      Current().Add(name, Report::Number(static_cast<double>(value)));
    } else if constexpr (std::is_signed_v<T>) {
      Current().Add(name, Report::Number(static_cast<int64_t>(value)));
    } else {
      Current().Add(name, Report::Number(static_cast<uint64_t>(value)));
    }
  }
  void Text(const char* name, const String& text, TextForm, TextEncoding encoding) {
    Current().Add(name, Report::Text(Decoded(text, encoding)));
  }
  void Skip(size_t) {}
  void Picture(const char* name, const String& bytes, int32_t trailing) {
    Current().Add(name, Report::Text(FileSummary(bytes)));
    Number("BitmapTPI", trailing);
  }

  template <typename Visit>
  void Group(const char* name, Visit visit) {
    Nested(Current().Add(name, Report::Object()), visit);
  }

  template <typename Item, typename Visit>
  int Counted(const char* name, Array<Item>& list, int, int, Visit visit) {
    Report& array = Current().Add(name, Report::Array());
    for (Item& item : list) Nested(array.Add("", Report::Object()), [&] { return visit(item); });
    return 0;
  }

  template <typename Item, typename Visit>
  int Marked(const char* name, Array<Item>& list, const MarkedFirst<Item>& first, const String&, int, int,
             Visit visit_rest) {
    Report& array = Current().Add(name, Report::Array());
    for (Item& item : list) {
      Nested(array.Add("", Report::Object()), [&] {
        Text(first.name, item.*first.member, first.form, first.encoding);
        return visit_rest(item);
      });
    }
    return 0;
  }

  int LanguageTable(valdorine::LanguageTable& table) {
    Report& languages = Current().Add("Languages", Report::Object());
    Report& names = languages.Add("names", Report::Array());
    for (const String& language : table.names) names.Add("", Report::Text(Utf8FromWide(language)));
    Report& strings = languages.Add("strings", Report::Array());
    for (int number = 0; number < table.string_count; ++number) {
      Report& string = strings.Add("", Report::Object());
      if (const char* name = StringName(number)) string.Add("name", Report::Text(name));
      Report& texts = string.Add("texts", Report::Array());
      for (int language = 0; language < table.names.Count(); ++language) {
        texts.Add("", Report::Text(Utf8FromWide(table.Text(number, language))));
      }
    }
    return 0;
  }

  static int Check(bool, int) { return 0; }
  static int Hook(ScriptHook, InstallScript&) { return 0; }
  static int EndMarker() { return 0; }

 private:
  Report& Current() { return *open_.back(); }

  template <typename Visit>
  void Nested(Report& report, Visit visit) {
    open_.push_back(&report);
    visit();
    open_.pop_back();
  }

  std::vector<Report*> open_;
};

}  // namespace

Report DescribeScript(const InstallScript& script) {
  Report report = Report::Object();
  InstallScript copy = script;
  DescribeCodec codec(report);
  VisitInstallScript(codec, copy);
  return report;
}

Report DescribeEntry(const FileEntry& entry) {
  Report report = Report::Object();
  report.Add("name", Report::Text(entry.name));
  report.Add("kind", Report::Number(uint64_t{entry.kind}));
  report.Add("flags", Report::Number(uint64_t{entry.flags}));
  report.Add("attributes", Report::Number(int64_t{entry.attributes}));
  const EntryDate& d = entry.date;
  char date[40];
  std::snprintf(date, sizeof date, "%d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
  report.Add("date", Report::Text(d.IsSet() ? date : ""));
  report.Add("extra_text", Report::Text(entry.extra_text));
  const auto wide = [](const std::u16string& text) {
    return Utf8FromWide(String::FromWide(text.c_str(), static_cast<int>(text.size())));
  };
  report.Add("shortcut_icon", Report::Text(wide(entry.shortcut_icon)));
  report.Add("arguments", Report::Text(Utf8FromAnsi(String::FromBytes(entry.arguments.data(),
                                                                        static_cast<int>(entry.arguments.size())))));
  report.Add("destination", Report::Text(wide(entry.destination)));
  report.Add("component_text", Report::Text(entry.component_text));
  report.Add("ui_level", Report::Number(uint64_t{entry.ui_level}));
  report.Add("size", Report::Number(static_cast<uint64_t>(entry.data_size)));
  return report;
}

}  // namespace valdorine::builder
