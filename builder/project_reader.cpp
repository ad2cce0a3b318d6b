#include "project_reader.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <tuple>

#include "build_error.hpp"
#include "nearest_name.hpp"
#include "toml_guard.hpp"

namespace valdorine::builder {
namespace {

constexpr int kWindows1252 = code_page::kWindows1252;
// The largest file a setting may hold: the longest text of the script's length forms.
constexpr size_t kLargestFile = 0x40000000;

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "\"" : ", \"") + name + "\"";
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// toml++ reports a syntax error with its own position.
[[noreturn]] void ThrowParseError(const toml::parse_error& error, const std::filesystem::path& file) {
  const toml::source_position& at = error.source().begin;
  throw BuildError(file.string() + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
                   std::string(error.description()));
}

[[noreturn]] void ThrowAt(const std::filesystem::path& file, TextPosition at, const char* message) {
  throw BuildError(file.string() + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message);
}

}  // namespace

toml::table ParseToml(std::string_view text, const std::filesystem::path& file) {
  if (const std::optional<TextPosition> at = ControlCharacter(text)) {
    ThrowAt(file, *at, "a control character, which TOML does not allow");
  }
  if (const std::optional<TextPosition> at = NonAsciiOutsideStrings(text)) {
    ThrowAt(file, *at, "a character beyond ASCII outside a string or comment");
  }
  // toml++ 3.3 can reach a branch marked unreachable when a malformed document has text beyond
  // ASCII, and the guard above follows strings only as a sound document has them. So the structure
  // is checked first on an ASCII stand-in (every such byte replaced by a letter, offsets kept);
  // once it is sound, the guard saw the strings right and the real text may go to the parser.
  std::string ascii_stand_in(text);
  for (char& c : ascii_stand_in) {
    if (static_cast<unsigned char>(c) > 0x7F) c = 'a';
  }
  try {
    toml::parse(ascii_stand_in, file.string());
  } catch (const toml::parse_error& error) {
    ThrowParseError(error, file);
  }
  try {
    return toml::parse(text, file.string());
  } catch (const toml::parse_error& error) {
    ThrowParseError(error, file);
  }
}

void ProjectContext::Problem(const toml::source_region& where, const std::string& message) {
  problems_.push_back({file_.string(), where.begin, message});
}

std::vector<std::string> ProjectContext::Problems() const {
  std::vector<Located> sorted = problems_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Located& a, const Located& b) {
    return std::tie(a.file, a.at.line, a.at.column) < std::tie(b.file, b.at.line, b.at.column);
  });
  std::vector<std::string> lines;
  for (const Located& problem : sorted) {
    // A problem of an absent table has no position of its own.
    const std::string at = problem.at.line == 0 ? std::string()
                                                : ":" + std::to_string(problem.at.line) + ":" +
                                                      std::to_string(problem.at.column);
    lines.push_back(problem.file + at + ": " + problem.message);
  }
  return lines;
}

void ProjectContext::Absorb(const ProjectContext& other) {
  problems_.insert(problems_.end(), other.problems_.begin(), other.problems_.end());
  warnings_.insert(warnings_.end(), other.warnings_.begin(), other.warnings_.end());
}

std::filesystem::path ProjectContext::Resolve(const std::string& utf8_path) const {
  const std::filesystem::path path(std::u8string(utf8_path.begin(), utf8_path.end()));
  return path.is_absolute() ? path : base_folder_ / path;
}

TableReader::TableReader(const toml::table* table, std::string path, ProjectContext& context)
    : table_(table), path_(std::move(path)), context_(&context) {}

const toml::node* TableReader::Node(std::string_view key) {
  if (std::find(known_.begin(), known_.end(), key) == known_.end()) known_.emplace_back(key);
  return table_ ? table_->get(key) : nullptr;
}

std::vector<std::pair<std::string, const toml::node*>> TableReader::Entries() {
  std::vector<std::pair<std::string, const toml::node*>> entries;
  if (!table_) return entries;
  for (const auto& [key, node] : *table_) {
    entries.emplace_back(std::string(key.str()), &node);
    Node(key.str());
  }
  return entries;
}

std::vector<std::string> TableReader::SubTableKeys() const {
  std::vector<std::string> keys;
  if (!table_) return keys;
  for (const auto& [key, node] : *table_) {
    if (node.is_table()) keys.emplace_back(key.str());
  }
  return keys;
}

bool TableReader::Has(std::string_view key) { return Node(key) != nullptr; }

toml::source_region TableReader::Where(std::string_view key) const {
  const toml::node* node = table_ ? table_->get(key) : nullptr;
  if (node) return node->source();
  return table_ ? table_->source() : toml::source_region{};
}

std::string TableReader::Prefix() const { return path_.empty() ? std::string() : "[" + path_ + "] "; }

void TableReader::Problem(std::string_view key, const std::string& message) {
  context_->Problem(Where(key), Prefix() + std::string(key) + ": " + message);
}

void TableReader::WrongType(std::string_view key, const std::string& expected) {
  Problem(key, "expected " + expected);
}

void TableReader::UnknownChoice(std::string_view key, const std::string& text, const std::vector<std::string>& valid) {
  const std::string nearest = NearestName(text, valid);
  Problem(key, "\"" + text + "\" is not one of " + Joined(valid) +
                   (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)"));
}

std::optional<std::string> TableReader::Text(std::string_view key) {
  const toml::node* node = Node(key);
  if (!node) return std::nullopt;
  if (node->is_string()) return Expanded(key, node->as_string()->get());
  WrongType(key, "a text");
  return std::nullopt;
}

std::optional<int64_t> TableReader::Integer(std::string_view key, int64_t min, int64_t max) {
  const toml::node* node = Node(key);
  if (!node) return std::nullopt;
  if (!node->is_integer()) {
    WrongType(key, "a whole number");
    return std::nullopt;
  }
  const int64_t value = node->as_integer()->get();
  if (value < min || value > max) {
    Problem(key, "must be between " + std::to_string(min) + " and " + std::to_string(max) + " (is " +
                     std::to_string(value) + ")");
    return std::nullopt;
  }
  return value;
}

std::optional<double> TableReader::Float(std::string_view key, double min, double max) {
  const toml::node* node = Node(key);
  if (!node) return std::nullopt;
  if (!node->is_number()) {
    WrongType(key, "a number");
    return std::nullopt;
  }
  const double value = node->value<double>().value_or(0.0);
  if (!(value >= min && value <= max)) {
    Problem(key, "must be between " + std::to_string(min) + " and " + std::to_string(max));
    return std::nullopt;
  }
  return value;
}

std::optional<bool> TableReader::Bool(std::string_view key) {
  const toml::node* node = Node(key);
  if (!node) return std::nullopt;
  if (!node->is_boolean()) {
    WrongType(key, "true or false");
    return std::nullopt;
  }
  return node->as_boolean()->get();
}

std::optional<toml::date_time> TableReader::DateTime(std::string_view key) {
  const toml::node* node = Node(key);
  if (!node) return std::nullopt;
  if (!node->is_date_time()) {
    WrongType(key, "a date and time such as 2024-05-01T12:00:00Z");
    return std::nullopt;
  }
  return node->as_date_time()->get();
}

std::optional<std::string> TableReader::Expanded(std::string_view key, const std::string& text) {
  std::string problem;
  auto expanded = ExpandVariables(text, context_->Defined(), problem);
  if (!expanded) Problem(key, problem);
  return expanded;
}

std::vector<std::string> TableReader::TextList(std::string_view key) {
  const toml::node* node = Node(key);
  if (!node) return {};
  std::vector<std::string> texts;
  const toml::array* array = node->as_array();
  bool all_texts = array != nullptr || node->is_string();
  auto add = [&](const toml::node& item) {
    if (!item.is_string()) all_texts = false;
    if (!item.is_string()) return;
    if (auto text = Expanded(key, item.as_string()->get())) texts.push_back(std::move(*text));
  };
  if (node->is_string()) add(*node);
  if (array) {
    for (const toml::node& item : *array) add(item);
  }
  if (!all_texts) {
    WrongType(key, "a text or an array of texts");
    return {};
  }
  return texts;
}

void TableReader::Wide(std::string_view key, String& out) {
  if (auto text = Text(key)) out = WideFromUtf8(*text);
}

void TableReader::Ansi(std::string_view key, String& out) {
  if (auto text = Text(key)) {
    if (auto ansi = AnsiFrom(key, *text)) out = std::move(*ansi);
  }
}

void TableReader::Utf8(std::string_view key, String& out) {
  if (auto text = Text(key)) out = String::FromBytes(text->data(), static_cast<int>(text->size()));
}

void TableReader::FileBytes(std::string_view key, String& out) {
  if (auto path = Text(key)) {
    if (auto bytes = ReadFile(key, *path)) out = std::move(*bytes);
  }
}

void TableReader::Flag(std::string_view key, uint32_t& word, uint32_t mask) {
  if (auto on = Bool(key)) word = *on ? (word | mask) : (word & ~mask);
}

void TableReader::Color(std::string_view key, uint32_t& out) {
  const std::optional<std::string> text = Text(key);
  if (!text) return;
  const bool shaped = text->size() == 7 && (*text)[0] == '#' &&
                      std::all_of(text->begin() + 1, text->end(), [](char c) { return HexDigit(c) >= 0; });
  if (!shaped) {
    Problem(key, "expected a colour such as \"#1E90FF\"");
    return;
  }
  auto component = [&](size_t at) {
    return static_cast<uint32_t>(HexDigit((*text)[at]) * 16 + HexDigit((*text)[at + 1]));
  };
  out = component(1) | (component(3) << 8) | (component(5) << 16);
}

TableReader TableReader::Table(std::string_view key) {
  const toml::node* node = Node(key);
  if (node && !node->is_table()) {
    WrongType(key, "a table");
    node = nullptr;
  }
  const std::string path = path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  return TableReader(node ? node->as_table() : nullptr, path, *context_);
}

std::vector<TableReader> TableReader::Tables(std::string_view key) {
  const toml::node* node = Node(key);
  if (!node) return {};
  const toml::array* array = node->as_array();
  if (!array || !array->is_array_of_tables()) {
    WrongType(key, "an array of tables, such as [[" + std::string(key) + "]]");
    return {};
  }
  std::vector<TableReader> tables;
  const std::string base = path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  for (size_t i = 0; i < array->size(); ++i) {
    tables.emplace_back(array->get(i)->as_table(), base + "[" + std::to_string(i) + "]", *context_);
  }
  return tables;
}

std::optional<String> TableReader::AnsiFrom(std::string_view key, const std::string& utf8) {
  const String wide = WideFromUtf8(utf8);
  String ansi = NarrowFromWide(wide, kWindows1252, '?', true);
  if (WideFromNarrow(ansi, kWindows1252) != wide) {
    Problem(key, "holds characters that the Windows-1252 code page cannot represent");
    return std::nullopt;
  }
  return ansi;
}

std::optional<String> TableReader::ReadFile(std::string_view key, const std::string& utf8_path) {
  const std::filesystem::path path = context_->Resolve(utf8_path);
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path, error);
  const uintmax_t size = regular ? std::filesystem::file_size(path, error) : 0;
  std::ifstream in(path, std::ios::binary);
  if (!regular || error || !in) {
    Problem(key, "cannot read the file " + path.string());
    return std::nullopt;
  }
  if (size > kLargestFile) {
    Problem(key, "the file " + path.string() + " is larger than 1 GiB");
    return std::nullopt;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return String::FromBytes(bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), kLargestFile)));
}

void TableReader::Finish() {
  if (!table_) return;
  for (const auto& [key, node] : *table_) {
    const std::string name(key.str());
    if (std::find(known_.begin(), known_.end(), name) != known_.end()) continue;
    const std::string nearest = NearestName(name, known_);
    context_->Problem(key.source(), Prefix() + "unknown key \"" + name + "\"" +
                                        (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)"));
  }
}

}  // namespace valdorine::builder
