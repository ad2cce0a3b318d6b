// A report: an ordered tree of named values that `inspect` prints, either as "name=value" lines
// (names joined with "." and "[i]") or as JSON. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace valdorine::builder {

class Report {
 public:
  enum class Kind { kObject, kArray, kText, kNumber };

  static Report Object() { return Report(Kind::kObject); }
  static Report Array() { return Report(Kind::kArray); }
  static Report Text(std::string text) { return Report(Kind::kText, std::move(text)); }
  static Report Number(int64_t value) { return Report(Kind::kNumber, std::to_string(value)); }
  static Report Number(uint64_t value) { return Report(Kind::kNumber, std::to_string(value)); }
  static Report Number(double value);

  // Adds a member to an object (name) or an item to an array (empty name); returns it.
  Report& Add(std::string name, Report value);

  Kind GetKind() const { return kind_; }
  const std::string& Value() const { return value_; }
  const std::vector<std::pair<std::string, Report>>& Members() const { return members_; }
  const Report* Find(const std::string& name) const;
  Report* Find(const std::string& name);

 private:
  explicit Report(Kind kind, std::string value = {}) : kind_(kind), value_(std::move(value)) {}

  Kind kind_;
  std::string value_;
  std::vector<std::pair<std::string, Report>> members_;
};

// "name=value" lines; control characters, backslashes and bytes that are not UTF-8 are escaped.
void WriteLines(const Report& report, std::ostream& out, const std::string& prefix = "");
void WriteJson(const Report& report, std::ostream& out);

}  // namespace valdorine::builder
