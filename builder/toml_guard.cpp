#include "toml_guard.hpp"

namespace valdorine::builder {
namespace {

// Walks a TOML text, skipping comments and the four kinds of strings.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  std::optional<TextPosition> Run() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (static_cast<unsigned char>(c) > 0x7F) return TextPosition{line_, at_ - line_start_ + 1};
      if (c == '#') {
        SkipTo("\n", false);
      } else if (c == '"' || c == '\'') {
        const std::string_view triple = c == '"' ? "\"\"\"" : "'''";
        const bool multi_line = text_.substr(at_, 3) == triple;
        Advance(multi_line ? 3 : 1);
        SkipTo(multi_line ? triple : text_.substr(at_ - 1, 1), c == '"');
      } else {
        Advance(1);
      }
    }
    return std::nullopt;
  }

 private:
  // Moves past the next `end` (a single-line string also ends at a line break); with `escapes`,
  // a backslash hides the character after it.
  void SkipTo(std::string_view end, bool escapes) {
    const bool single_line = end.size() == 1 && end != "\n";
    while (at_ < text_.size()) {
      if (escapes && text_[at_] == '\\') {
        Advance(2);
      } else if (text_.substr(at_, end.size()) == end) {
        Advance(end.size());
        return;
      } else if (single_line && text_[at_] == '\n') {
        return;
      } else {
        Advance(1);
      }
    }
  }

  void Advance(size_t count) {
    for (size_t i = 0; i < count && at_ < text_.size(); ++i, ++at_) {
      if (text_[at_] == '\n') {
        ++line_;
        line_start_ = at_ + 1;
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  size_t line_ = 1;
  size_t line_start_ = 0;
};

}  // namespace

std::optional<TextPosition> NonAsciiOutsideStrings(std::string_view text) { return Scanner(text).Run(); }

std::optional<TextPosition> ControlCharacter(std::string_view text) {
  size_t line = 1, line_start = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == '\n') {
      ++line;
      line_start = at + 1;
    } else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F) {
      return TextPosition{line, at - line_start + 1};
    }
  }
  return std::nullopt;
}

}  // namespace valdorine::builder
