#include "core/string.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/code_page_system.hpp"
#include "core/memory.hpp"

namespace valdorine {
namespace {

constexpr char kEmptyNarrow[2] = {0, 0};
constexpr char16_t kEmptyWide[1] = {0};
constexpr int kTerminatorBytes = 2;
// The longest text whose buffer (text and terminator) a signed 32-bit capacity can describe.
constexpr int64_t kLongestText = INT32_MAX - kTerminatorBytes;
// Shrinking reallocates only when more than this many bytes would stay unused.
constexpr int kMostUnusedBytes = 1024;

// The capacity for a text of `length` bytes when the buffer must grow: some spare room, more for
// longer texts, so that appending one piece after another does not reallocate each time.
int GrowthCapacity(int length) {
  const int64_t spare = length < 64 ? kTerminatorBytes : length < 16384 ? 40 : 1024;
  return static_cast<int>(std::min<int64_t>(length + spare, INT32_MAX));
}

// A length in bytes that a String can hold; a longer one is reported as memory exhausted.
int CheckedLength(int64_t bytes) {
  if (bytes > kLongestText) ReportOutOfMemory(static_cast<size_t>(bytes) + kTerminatorBytes);
  return static_cast<int>(bytes);
}

// The number of characters before the terminator, at most `limit`; 0 for a null text.
template <typename Char>
int BoundedLength(const Char* text, int limit = String::kUpToTerminator) {
  if (text == nullptr) return 0;
  int length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

// The size in bytes of `count` characters, checked against the longest text.
template <typename Char>
int ByteCount(int64_t count) {
  return CheckedLength(count * int64_t{sizeof(Char)});
}

bool SetContains(const char16_t* set, char16_t c) {
  for (; set != nullptr && *set != 0; ++set) {
    if (*set == c) return true;
  }
  return false;
}

template <typename Char>
const Char* TextOf(const String& s) {
  return reinterpret_cast<const Char*>(s.Narrow());
}

template <typename Char>
int CharCount(const String& s) {
  return s.Length() / static_cast<int>(sizeof(Char));
}

bool IsBlankChar(char16_t c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

// The character count of `text` without its trailing blanks.
template <typename Char>
int TrimmedCount(const Char* text, int count) {
  while (count > 0 && IsBlankChar(static_cast<char16_t>(text[count - 1]))) --count;
  return count;
}

template <typename Char>
void TrimRightText(String& s) {
  s.SetLength(TrimmedCount(TextOf<Char>(s), CharCount<Char>(s)) * static_cast<int>(sizeof(Char)));
}

template <typename Char>
void ReplaceAllText(String& s, const Char* from, const Char* to) {
  const int from_count = BoundedLength(from);
  if (from_count == 0) return;
  const int to_count = BoundedLength(to);
  const Char* text = TextOf<Char>(s);
  const int count = CharCount<Char>(s);
  String replaced;
  int copied = 0;
  for (int at = 0; at <= count - from_count;) {
    if (std::memcmp(text + at, from, static_cast<size_t>(from_count) * sizeof(Char)) != 0) {
      ++at;
      continue;
    }
    replaced.AppendBytes(text + copied, ByteCount<Char>(at - copied));
    replaced.AppendBytes(to, ByteCount<Char>(to_count));
    at += from_count;
    copied = at;
  }
  if (copied == 0) return;
  replaced.AppendBytes(text + copied, ByteCount<Char>(count - copied));
  s = std::move(replaced);
}

}  // namespace

String::String(const String& other) { AppendBytes(other.Bytes(), other.Length()); }

String::String(String&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

String& String::operator=(const String& other) {
  if (this != &other) *this = String(other);
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    Release();
    buffer_ = std::exchange(other.buffer_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

String::~String() { Release(); }

String String::FromNarrow(const char* text, int limit) {
  String s;
  s.AppendNarrow(text, limit);
  return s;
}

String String::FromWide(const char16_t* text, int limit) {
  String s;
  s.AppendWide(text, limit);
  return s;
}

String String::FromBytes(const void* bytes, int length) {
  String s;
  s.AppendBytes(bytes, length);
  return s;
}

// Built apart and moved in, so that the text may point into this string's own buffer.
void String::AssignNarrow(const char* text, int limit) { *this = FromNarrow(text, limit); }
void String::AssignWide(const char16_t* text, int limit) { *this = FromWide(text, limit); }

const char* String::Narrow() const { return buffer_ ? buffer_ : kEmptyNarrow; }
const char16_t* String::Wide() const { return buffer_ ? reinterpret_cast<const char16_t*>(buffer_) : kEmptyWide; }
char* String::MutableNarrow() { return buffer_; }
char16_t* String::MutableWide() { return reinterpret_cast<char16_t*>(buffer_); }
char String::NarrowAt(int index) const { return index >= 0 && index < length_ ? buffer_[index] : 0; }
char16_t String::WideAt(int index) const { return index >= 0 && index < WideLength() ? Wide()[index] : 0; }

void String::SetLength(int bytes) {
  if (bytes <= 0) return Release();
  if (bytes == length_) return;
  const int length = CheckedLength(bytes);
  if (capacity_ - kTerminatorBytes < length || length < capacity_ - kMostUnusedBytes) {
    Reallocate(GrowthCapacity(length));
  }
  Terminate(length);
}

void String::SetExactLength(int bytes) {
  if (bytes <= 0) return Release();
  const int length = CheckedLength(bytes);
  if (capacity_ != length + kTerminatorBytes) Reallocate(length + kTerminatorBytes);
  Terminate(length);
}

void String::Release() {
  FreeMemory(buffer_);
  buffer_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

void String::Reallocate(int capacity) {
  buffer_ = static_cast<char*>(ReallocateMemory(buffer_, static_cast<size_t>(capacity)));
  capacity_ = capacity;
}

void String::Terminate(int length) {
  length_ = length;
  buffer_[length] = 0;
  buffer_[length + 1] = 0;
}

bool String::Holds(const void* bytes) const {
  const auto address = reinterpret_cast<uintptr_t>(bytes);
  const auto start = reinterpret_cast<uintptr_t>(buffer_);
  return buffer_ != nullptr && address >= start && address < start + static_cast<uintptr_t>(capacity_);
}

void String::AppendBytes(const void* bytes, int length) { InsertBytes(length_, bytes, length); }

void String::AppendNarrow(const char* text, int limit) { AppendBytes(text, ByteCount<char>(BoundedLength(text, limit))); }

void String::AppendWide(const char16_t* text, int limit) {
  AppendBytes(text, ByteCount<char16_t>(BoundedLength(text, limit)));
}

void String::AppendNarrowChar(char c) { AppendBytes(&c, sizeof c); }
void String::AppendWideChar(char16_t c) { AppendBytes(&c, sizeof c); }

// An offset outside the text is moved to its nearer end.
void String::InsertBytes(int at, const void* bytes, int length) {
  if (bytes == nullptr || length <= 0) return;
  if (Holds(bytes)) {
    // The buffer may move while it grows: insert a copy.
    const String copy = FromBytes(bytes, length);
    return InsertBytes(at, copy.Bytes(), length);
  }
  const int old_length = length_;
  const int offset = std::clamp(at, 0, old_length);
  SetLength(CheckedLength(int64_t{old_length} + length));
  std::memmove(buffer_ + offset + length, buffer_ + offset, static_cast<size_t>(old_length - offset));
  std::memcpy(buffer_ + offset, bytes, static_cast<size_t>(length));
}

// Only the part of the range that lies within the text is removed.
void String::RemoveBytes(int at, int length) {
  const int start = std::clamp(at, 0, length_);
  const int end = static_cast<int>(std::clamp<int64_t>(int64_t{at} + length, start, length_));
  if (end == start) return;
  std::memmove(buffer_ + start, buffer_ + end, static_cast<size_t>(length_ - end));
  SetLength(length_ - (end - start));
}

int String::FindFirstNotOf(const char16_t* set, int start_char) const {
  const char16_t* text = Wide();
  for (int i = std::max(start_char, 0); i < WideLength(); ++i) {
    if (!SetContains(set, text[i])) return i;
  }
  return -1;
}

int String::FindWide(const char16_t* text, int start_char) const {
  const int needle = BoundedLength(text);
  const char16_t* haystack = Wide();
  for (int at = std::max(start_char, 0); at <= WideLength() - needle; ++at) {
    if (std::memcmp(haystack + at, text, static_cast<size_t>(needle) * sizeof(char16_t)) == 0) return at;
  }
  return -1;
}

bool String::StartsWithIgnoreCase(const char16_t* prefix) const {
  const int count = BoundedLength(prefix);
  return count <= WideLength() && code_page_system::EqualsIgnoreCase(Wide(), count, prefix ? prefix : kEmptyWide, count);
}

void String::TrimRight() { TrimRightText<char16_t>(*this); }
void String::TrimRightNarrow() { TrimRightText<char>(*this); }

bool String::IsBlank() const { return TrimmedCount(Wide(), WideLength()) == 0; }

void String::RemoveTrailing(char16_t c) {
  if (WideLength() > 0 && Wide()[WideLength() - 1] == c) SetLength(length_ - static_cast<int>(sizeof c));
}

void String::PrependUnless(char16_t c) {
  if (WideLength() == 0 || Wide()[0] != c) InsertBytes(0, &c, sizeof c);
}

void String::ReplaceAll(const char16_t* from, const char16_t* to) { ReplaceAllText(*this, from, to); }
void String::ReplaceAllNarrow(const char* from, const char* to) { ReplaceAllText(*this, from, to); }

String String::Substring(int start_char, int count_chars) const {
  const int start = std::clamp(start_char, 0, WideLength());
  const int count = std::clamp(count_chars, 0, WideLength() - start);
  return FromBytes(Wide() + start, count * static_cast<int>(sizeof(char16_t)));
}

bool String::operator==(const String& other) const {
  return length_ == other.length_ && std::memcmp(Narrow(), other.Narrow(), static_cast<size_t>(length_)) == 0;
}

String ConcatWide(const char16_t* first, ...) {
  String joined;
  va_list args;
  va_start(args, first);
  for (const char16_t* text = first; text != nullptr; text = va_arg(args, const char16_t*)) joined.AppendWide(text);
  va_end(args);
  return joined;
}

// A null text reads as the empty text.
bool EqualsIgnoreCase(const char16_t* a, const char16_t* b) {
  return code_page_system::EqualsIgnoreCase(a ? a : kEmptyWide, BoundedLength(a), b ? b : kEmptyWide, BoundedLength(b));
}

bool EqualsIgnoreCase(const String& wide_a, const String& wide_b) {
  return code_page_system::EqualsIgnoreCase(wide_a.Wide(), wide_a.WideLength(), wide_b.Wide(), wide_b.WideLength());
}

bool EqualsIgnoreCaseNarrow(const char* a, const char* b) {
  return code_page_system::EqualsIgnoreCaseNarrow(a ? a : kEmptyNarrow, BoundedLength(a), b ? b : kEmptyNarrow,
                                                  BoundedLength(b));
}

}  // namespace valdorine
