// Reading a project file's tables with checks: every look-up names its key, so that a key nobody
// asked for is reported as unknown (with the nearest known key), and every problem names the
// file, line and key. Problems are collected, not thrown, so that one run reports them all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <toml++/toml.h>

#include "core/string.hpp"
#include "project_variables.hpp"
#include "text_codec.hpp"

namespace valdorine::builder {

// What reading the project found wrong, and the folder its relative paths start from.
class ProjectContext {
 public:
  ProjectContext(std::filesystem::path file, std::filesystem::path base_folder, Variables variables = {})
      : file_(std::move(file)), base_folder_(std::move(base_folder)), variables_(std::move(variables)) {}

  const std::filesystem::path& File() const { return file_; }
  const std::filesystem::path& BaseFolder() const { return base_folder_; }
  // The command line's -D definitions, which ${name} in the project's texts refers to.
  const Variables& Defined() const { return variables_; }

  void Problem(const toml::source_region& where, const std::string& message);
  void Warning(const std::string& message) { warnings_.push_back(message); }
  // Takes over the problems and warnings of another file's reading.
  void Absorb(const ProjectContext& other);
  bool HasProblems() const { return !problems_.empty(); }
  // "file:line:column: message", in the order of the files and lines.
  std::vector<std::string> Problems() const;
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // A path of the project, relative to the project file's folder unless absolute.
  std::filesystem::path Resolve(const std::string& utf8_path) const;

 private:
  struct Located {
    std::string file;
    toml::source_position at;
    std::string message;
  };

  std::filesystem::path file_;
  std::filesystem::path base_folder_;
  Variables variables_;
  std::vector<Located> problems_;
  std::vector<std::string> warnings_;
};

// Parses a TOML text named `file` in messages. Throws BuildError with the file, line and column
// of a syntax error.
toml::table ParseToml(std::string_view text, const std::filesystem::path& file);

template <typename T>
struct Named {
  const char* name;
  T value;
};

class TableReader {
 public:
  // `table` may be null: the table is absent and every look-up finds nothing. `path` names the
  // table in messages ("install", "files[2]").
  TableReader(const toml::table* table, std::string path, ProjectContext& context);

  bool Present() const { return table_ != nullptr; }
  // Every key with its value, all taken as known: for tables whose keys are data (string numbers).
  std::vector<std::pair<std::string, const toml::node*>> Entries();
  // The keys whose values are tables, in name order, not yet taken as known: for tables
  // whose sub-tables are named by the author ([languages.German]).
  std::vector<std::string> SubTableKeys() const;
  bool Has(std::string_view key);
  const std::string& Path() const { return path_; }
  ProjectContext& Context() const { return *context_; }

  // Typed look-ups: nothing when the key is absent; a problem (and nothing) when the value has the
  // wrong type or lies outside the range. Texts have their ${name} variables replaced.
  std::optional<std::string> Text(std::string_view key);
  std::optional<int64_t> Integer(std::string_view key, int64_t min, int64_t max);
  std::optional<double> Float(std::string_view key, double min, double max);
  std::optional<bool> Bool(std::string_view key);
  std::optional<toml::date_time> DateTime(std::string_view key);
  // A text, or an array of texts.
  std::vector<std::string> TextList(std::string_view key);

  // One of the given names, answered with its value; an unknown name lists the valid ones.
  template <typename T>
  std::optional<T> Choice(std::string_view key, std::initializer_list<Named<T>> names) {
    const std::optional<std::string> text = Text(key);
    if (!text) return std::nullopt;
    std::vector<std::string> valid;
    for (const Named<T>& named : names) {
      if (*text == named.name) return named.value;
      valid.emplace_back(named.name);
    }
    UnknownChoice(key, *text, valid);
    return std::nullopt;
  }

  // Setters for the install script's fields: each leaves `out` alone when the key is absent.
  void Wide(std::string_view key, String& out);       // UTF-16LE
  void Ansi(std::string_view key, String& out);       // Windows-1252; other characters are refused
  void Utf8(std::string_view key, String& out);       // UTF-8 bytes
  void FileBytes(std::string_view key, String& out);  // the contents of the named file
  void Flag(std::string_view key, uint32_t& word, uint32_t mask);
  // A colour as "#RRGGBB", stored as the system's 0x00BBGGRR.
  void Color(std::string_view key, uint32_t& out);
  template <typename T>
  void Number(std::string_view key, T& out, int64_t min, int64_t max) {
    if (auto value = Integer(key, min, max)) out = static_cast<T>(*value);
  }
  template <typename T>
  void ChoiceInto(std::string_view key, T& out, std::initializer_list<Named<T>> names) {
    if (auto value = Choice(key, names)) out = *value;
  }

  // A sub-table, and an array of tables (each element named "key[i]").
  TableReader Table(std::string_view key);
  std::vector<TableReader> Tables(std::string_view key);

  // Conversions with the key's location for their problems.
  std::optional<String> AnsiFrom(std::string_view key, const std::string& utf8);
  std::optional<String> ReadFile(std::string_view key, const std::string& utf8_path);

  // Reports a problem at the key's value (or at the table when the key is absent).
  void Problem(std::string_view key, const std::string& message);
  // Reports the keys of this table that no look-up asked for, with the nearest known key.
  void Finish();

 private:
  const toml::node* Node(std::string_view key);
  // `text` of `key` with its variables replaced; a problem at the key for an undefined one.
  std::optional<std::string> Expanded(std::string_view key, const std::string& text);
  void WrongType(std::string_view key, const std::string& expected);
  void UnknownChoice(std::string_view key, const std::string& text, const std::vector<std::string>& valid);
  toml::source_region Where(std::string_view key) const;
  std::string Prefix() const;  // "[path] ", empty for the top level

  const toml::table* table_;
  std::string path_;
  ProjectContext* context_;
  std::vector<std::string> known_;
};

}  // namespace valdorine::builder
