#include "string_table.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "build_error.hpp"
#include "built_in_languages.hpp"
#include "english_strings.hpp"
#include "nearest_name.hpp"
#include "project_sections.hpp"
#include "string_names.hpp"

namespace valdorine::builder {
namespace {

constexpr const char* kFlagCharacters = "-+ #0";
constexpr const char* kLengthPrefixes[] = {"I64", "I32", "hh", "ll", "h", "l", "L", "I", "j", "z", "t", "w"};

struct Language {
  String name;                  // wide
  std::map<int, String> texts;  // wide, CR LF line breaks
};

const BuiltInString* FindEnglish(int number) {
  for (const BuiltInString& built_in : EnglishStrings()) {
    if (built_in.number == number) return &built_in;
  }
  return nullptr;
}

// The number that a key of a strings table stands for: a string's name or its number.
std::optional<int> KeyNumber(TableReader& t, const std::string& key) {
  if (const std::optional<int> named = StringNumber(key)) return named;
  if (key.empty() || !std::isdigit(static_cast<uint8_t>(key[0]))) {
    const std::string nearest = NearestName(key, StringNames());
    t.Problem(key, "unknown string name" + (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)") +
                       "; give a string's name, such as \"cancelled\", or its number");
    return std::nullopt;
  }
  int number = -1;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
  if (error != std::errc() || end != key.data() + key.size() || number >= script_limit::kMaxStrings) {
    t.Problem(key, "a string number must be a whole number from 0 to 9999");
    return std::nullopt;
  }
  return number;
}

// Reads a table of texts keyed by name or number, each checked against the English conversions.
void ReadStrings(TableReader t, Language& language) {
  std::map<int, std::string> given;  // number -> the key that gave it
  for (const auto& [key, node] : t.Entries()) {
    const std::optional<int> number = KeyNumber(t, key);
    if (!number) continue;
    if (const auto [earlier, fresh] = given.emplace(*number, key); !fresh) {
      t.Problem(key, "string " + std::to_string(*number) + " is already given as \"" + earlier->second + "\"");
      continue;
    }
    if (!node->is_string()) {
      t.Problem(key, "expected a text");
      continue;
    }
    const std::string& text = node->as_string()->get();
    const BuiltInString* english = FindEnglish(*number);
    if (english && *english->conversions && FormatConversions(text) != english->conversions) {
      t.Problem(key, std::string("must keep the conversions \"") + english->conversions +
                         "\" in this order (write a literal percent sign as %%)");
    }
    language.texts[*number] = WithCrLf(WideFromUtf8(text));
  }
  t.Finish();
}

Language FromTexts(std::string_view name, std::span<const Translation> texts) {
  Language language{WideFromUtf8(name), {}};
  for (const Translation& translation : texts) language.texts[translation.number] = WithCrLf(WideFromUtf8(translation.text));
  return language;
}

Language English(TableReader& root) {
  std::vector<Translation> texts;
  for (const BuiltInString& built_in : EnglishStrings()) texts.push_back({built_in.number, built_in.text});
  Language english = FromTexts("English", texts);
  ReadStrings(root.Table("strings"), english);
  return english;
}

// The built-in languages that [languages] selects: those of `built_in` in their order, then those
// with a table of changes ([languages.German]), each with its changes applied.
std::vector<Language> BuiltInSelection(TableReader& languages) {
  std::vector<std::string> names;
  std::vector<std::string> listed = languages.TextList("built_in");
  const std::vector<std::string> tables = languages.SubTableKeys();
  listed.insert(listed.end(), tables.begin(), tables.end());
  for (const std::string& name : listed) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  std::vector<Language> selected;
  for (const std::string& name : names) {
    const BuiltInLanguage* built_in = FindBuiltInLanguage(name);
    if (!built_in) {
      const std::string nearest = NearestName(name, BuiltInLanguageNames());
      // Has() takes an unknown table as read, so that it is reported once, here.
      const bool table = std::find(tables.begin(), tables.end(), name) != tables.end() && languages.Has(name);
      languages.Problem(table ? name : "built_in",
                        "unknown language \"" + name + "\"" +
                            (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)") +
                            "; a language of your own goes in a file listed in `files`");
      continue;
    }
    selected.push_back(FromTexts(built_in->native_name, built_in->texts));
    ReadStrings(languages.Table(name), selected.back());
  }
  return selected;
}

// A language file; its problems are reported under its own name.
std::optional<Language> ReadLanguageFile(TableReader& languages, const std::string& path, ProjectContext& context) {
  const std::filesystem::path file = context.Resolve(path);
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    languages.Problem("files", "cannot read the language file " + file.string());
    return std::nullopt;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  toml::table document;
  try {
    document = ParseToml(text, file);
  } catch (const BuildError& error) {
    languages.Problem("files", error.what());
    return std::nullopt;
  }
  ProjectContext file_context(file, file.parent_path());
  TableReader root(&document, "", file_context);
  Language language;
  root.Wide("name", language.name);
  if (language.name.IsEmpty()) root.Problem("name", "a language file needs the language's name");
  ReadStrings(root.Table("strings"), language);
  root.Finish();
  context.Absorb(file_context);
  return language;
}

std::string MissingStrings(const Language& language, const std::vector<int>& numbers) {
  constexpr size_t kListed = 8;
  std::string list;
  for (size_t i = 0; i < std::min(numbers.size(), kListed); ++i) list += (i ? ", " : "") + std::to_string(numbers[i]);
  if (numbers.size() > kListed) list += ", ...";
  return Utf8FromWide(language.name) + " lacks " + std::to_string(numbers.size()) + " of the built-in strings (" +
         list + "); the installer shows its own fallback or nothing there";
}

LanguageTable Table(const std::vector<Language>& languages, ProjectContext& context) {
  LanguageTable table;
  int count = kLanguageStringCount;
  for (const Language& language : languages) {
    table.names.Append(language.name);
    if (!language.texts.empty()) count = std::max(count, language.texts.rbegin()->first + 1);
  }
  table.string_count = count;
  std::vector<std::vector<int>> missing(languages.size());
  for (int number = 0; number < count; ++number) {
    for (size_t i = 0; i < languages.size(); ++i) {
      auto found = languages[i].texts.find(number);
      table.texts.Append(found != languages[i].texts.end() ? found->second : String());
      if (found == languages[i].texts.end() && FindEnglish(number)) missing[i].push_back(number);
    }
  }
  for (size_t i = 0; i < languages.size(); ++i) {
    if (!missing[i].empty()) context.Warning(MissingStrings(languages[i], missing[i]));
  }
  return table;
}

size_t LengthPrefix(std::string_view rest) {
  for (const char* prefix : kLengthPrefixes) {
    if (rest.starts_with(prefix)) return std::char_traits<char>::length(prefix);
  }
  return 0;
}

}  // namespace

std::string FormatConversions(std::string_view text) {
  std::string conversions;
  for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at)) {
    ++at;
    if (at < text.size() && text[at] == '%') {
      ++at;
      continue;
    }
    while (at < text.size() && std::strchr(kFlagCharacters, text[at])) ++at;
    while (at < text.size() && (std::isdigit(static_cast<uint8_t>(text[at])) || text[at] == '*' || text[at] == '.')) {
      if (text[at] == '*') conversions += "*";
      ++at;
    }
    const size_t prefix = LengthPrefix(text.substr(std::min(at, text.size())));
    conversions += "%" + std::string(text.substr(at, prefix));
    at += prefix;
    if (at < text.size()) conversions += text[at++];
  }
  return conversions;
}

void ReadLanguages(TableReader& root, Project& project) {
  TableReader languages = root.Table("languages");
  std::vector<Language> list;
  Language english = English(root);
  if (languages.Bool("english").value_or(true)) list.push_back(std::move(english));
  for (Language& built_in : BuiltInSelection(languages)) list.push_back(std::move(built_in));
  for (const std::string& path : languages.TextList("files")) {
    if (auto language = ReadLanguageFile(languages, path, root.Context())) list.push_back(std::move(*language));
  }
  if (list.size() > static_cast<size_t>(script_limit::kMaxLanguages)) {
    languages.Problem("files", "at most 200 languages");
  }
  if (list.empty()) languages.Problem("english", "without English, name at least one language file");
  languages.Finish();
  project.script.Languages = Table(list, root.Context());
}

}  // namespace valdorine::builder
