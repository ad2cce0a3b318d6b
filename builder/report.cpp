#include "report.hpp"

#include <cstdio>

namespace valdorine::builder {
namespace {

std::string Hex(const char* format, unsigned value) {
  char text[12];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The length of the UTF-8 sequence at `at`, or 0 when the bytes there are not one.
size_t Utf8Sequence(const std::string& text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<uint8_t>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Escapes a text for a line or for JSON: both use backslash escapes; a byte that is not part of
// a UTF-8 sequence becomes "\xNN" in lines and U+FFFD in JSON.
std::string Escaped(const std::string& text, bool json) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const char c = text[at];
    const size_t length = Utf8Sequence(text, at);
    if (length == 0) {
      out += json ? "\\ufffd" : Hex("\\x%02X", static_cast<uint8_t>(c));
      ++at;
      continue;
    }
    if (c == '\\' || (json && c == '"')) out += std::string("\\") + c;
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (static_cast<uint8_t>(c) < 0x20) out += Hex(json ? "\\u%04x" : "\\x%02X", static_cast<uint8_t>(c));
    else out += text.substr(at, length);
    at += length;
  }
  return out;
}

void Indent(std::ostream& out, int depth) { out << std::string(static_cast<size_t>(depth) * 2, ' '); }

void WriteJsonValue(const Report& report, std::ostream& out, int depth) {
  switch (report.GetKind()) {
    case Report::Kind::kText:
      out << '"' << Escaped(report.Value(), true) << '"';
      return;
    case Report::Kind::kNumber:
      out << report.Value();
      return;
    case Report::Kind::kObject:
    case Report::Kind::kArray:
      break;
  }
  const bool object = report.GetKind() == Report::Kind::kObject;
  out << (object ? '{' : '[');
  bool first = true;
  for (const auto& [name, member] : report.Members()) {
    out << (first ? "\n" : ",\n");
    first = false;
    Indent(out, depth + 1);
    if (object) out << '"' << Escaped(name, true) << "\": ";
    WriteJsonValue(member, out, depth + 1);
  }
  if (!first) {
    out << '\n';
    Indent(out, depth);
  }
  out << (object ? '}' : ']');
}

}  // namespace

Report Report::Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return Report(Kind::kNumber, text);
}

Report& Report::Add(std::string name, Report value) {
  members_.emplace_back(std::move(name), std::move(value));
  return members_.back().second;
}

const Report* Report::Find(const std::string& name) const {
  for (const auto& [member_name, member] : members_) {
    if (member_name == name) return &member;
  }
  return nullptr;
}

Report* Report::Find(const std::string& name) {
  return const_cast<Report*>(static_cast<const Report*>(this)->Find(name));
}

void WriteLines(const Report& report, std::ostream& out, const std::string& prefix) {
  if (report.GetKind() == Report::Kind::kText || report.GetKind() == Report::Kind::kNumber) {
    out << prefix << '=' << (report.GetKind() == Report::Kind::kText ? Escaped(report.Value(), false) : report.Value())
        << '\n';
    return;
  }
  size_t index = 0;
  for (const auto& [name, member] : report.Members()) {
    const std::string path = report.GetKind() == Report::Kind::kArray ? prefix + "[" + std::to_string(index++) + "]"
                             : prefix.empty()                         ? name
                                                                      : prefix + "." + name;
    WriteLines(member, out, path);
  }
}

void WriteJson(const Report& report, std::ostream& out) {
  WriteJsonValue(report, out, 0);
  out << '\n';
}

}  // namespace valdorine::builder
