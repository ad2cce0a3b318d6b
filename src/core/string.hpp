// String: the one text type of the system. It holds either wide text (UTF-16LE, two bytes a
// character) or narrow text (one byte a character, in a code page that the operation that made it
// names). Lengths are always in bytes. A buffer, when present, is followed by two zero bytes, so
// the text is zero-terminated for narrow and wide readers alike; the empty value owns no buffer and
// reads as the static empty text.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace valdorine {

// Code pages the conversions know by number. Any other Windows code page number is accepted on
// Windows; the host build knows these.
namespace code_page {
inline constexpr int kAnsi = -1;  // the system's ANSI code page (Windows-1252 on the host)
inline constexpr int kWindows1252 = 1252;
inline constexpr int kUtf16 = 1200;
inline constexpr int kUtf16BigEndian = 1201;
inline constexpr int kUtf7 = 65000;
inline constexpr int kUtf8 = 65001;
}  // namespace code_page

class String {
 public:
  // A length limit meaning "up to the terminator".
  static constexpr int kUpToTerminator = 0x7FFFFFFF;

  String() noexcept = default;
  String(const String& other);
  String(String&& other) noexcept;
  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  ~String();

  // Construction from zero-terminated text, at most `limit` characters.
  static String FromNarrow(const char* text, int limit = kUpToTerminator);
  static String FromWide(const char16_t* text, int limit = kUpToTerminator);
  static String FromBytes(const void* bytes, int length);

  void AssignNarrow(const char* text, int limit = kUpToTerminator);
  void AssignWide(const char16_t* text, int limit = kUpToTerminator);

  // Size and storage.
  int Length() const { return length_; }            // bytes
  int WideLength() const { return length_ / 2; }     // UTF-16 code units
  int Capacity() const { return capacity_; }         // bytes, terminator included
  bool IsEmpty() const { return length_ == 0; }
  const char* Narrow() const;                        // never null
  const char16_t* Wide() const;                      // never null
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(Narrow()); }
  char* MutableNarrow();                             // null when empty
  char16_t* MutableWide();                           // null when empty
  char NarrowAt(int index) const;                    // byte at index, 0 past the end
  char16_t WideAt(int index) const;                  // code unit at index, 0 past the end

  // The base of every change of size: n <= 0 empties; growth keeps spare room (n + 2 below 64
  // bytes, n + 40 below 16384, n + 1024 beyond); a buffer with more than 1024 bytes unused shrinks.
  void SetLength(int bytes);
  // Sets the length allocating exactly bytes + 2 (for reading a whole file).
  void SetExactLength(int bytes);
  void Release();

  // Editing; byte offsets and lengths.
  void AppendBytes(const void* bytes, int length);
  void AppendNarrow(const char* text, int limit = kUpToTerminator);
  void AppendWide(const char16_t* text, int limit = kUpToTerminator);
  void Append(const String& other) { AppendBytes(other.Bytes(), other.Length()); }
  void AppendNarrowChar(char c);
  void AppendWideChar(char16_t c);
  void InsertBytes(int at, const void* bytes, int length);
  void RemoveBytes(int at, int length);

  // Wide-text operations (the string holds wide text).
  int FindFirstNotOf(const char16_t* set, int start_char) const;  // character index or -1
  int FindWide(const char16_t* text, int start_char = 0) const;   // character index or -1
  bool StartsWithIgnoreCase(const char16_t* prefix) const;
  void TrimRight();                        // trailing spaces, CR, LF and tabs
  bool IsBlank() const;                    // empty or only spaces, CR, LF and tabs
  void RemoveTrailing(char16_t c);         // one trailing occurrence
  void PrependUnless(char16_t c);          // unless the text already begins with c
  void ReplaceAll(const char16_t* from, const char16_t* to);
  String Substring(int start_char, int count_chars = kUpToTerminator) const;

  // Narrow-text counterparts.
  void TrimRightNarrow();
  void ReplaceAllNarrow(const char* from, const char* to);

  // printf-style formatting with the Windows runtime's conventions: in a wide format "%s" takes
  // wide text and "%S" narrow text; in a narrow format "%s" takes narrow text and "%S" wide text;
  // "%I64d"/"%I64u"/"%I64x" take 64-bit integers, "%zu" a size.
  static String FormatWide(const char16_t* format, ...);
  static String FormatNarrow(const char* format, ...);
  void AppendFormatWide(const char16_t* format, ...);
  void AppendFormatNarrow(const char* format, ...);
  void AppendFormatWideV(const char16_t* format, va_list args);
  void AppendFormatNarrowV(const char* format, va_list args);

  bool operator==(const String& other) const;  // byte for byte
  bool operator!=(const String& other) const { return !(*this == other); }

 private:
  void Reallocate(int capacity);
  void Terminate(int length);              // sets the length and writes the two zero bytes
  bool Holds(const void* bytes) const;     // whether `bytes` points into this string's buffer

  char* buffer_ = nullptr;
  int32_t length_ = 0;
  int32_t capacity_ = 0;
};

// Concatenates wide texts up to a null pointer.
String ConcatWide(const char16_t* first, ...);

// Conversions between wide text and a code page. A conversion that fails leaves an empty result.
// `NarrowFromWide` replaces unmappable characters with `default_char` ("?" in every use here);
// `forbid_best_fit` also refuses best-fit look-alikes.
String NarrowFromWide(const String& wide, int code_page, char default_char = '?', bool forbid_best_fit = false);
String WideFromNarrow(const String& narrow, int code_page);

// Case-insensitive equality in the invariant locale; a null text equals an empty text.
bool EqualsIgnoreCase(const char16_t* a, const char16_t* b);
bool EqualsIgnoreCase(const String& wide_a, const String& wide_b);
bool EqualsIgnoreCaseNarrow(const char* a, const char* b);

// Path join: an empty side gives the other; a name with a leading backslash loses the folder's
// trailing one; otherwise a backslash is added unless the folder ends in ':' or '\'.
String JoinPath(const String& folder, const String& name);
String JoinPath(const String& first, const String& second, const String& third);

// The 8-bit form of a wide path: unchanged when 7-bit ASCII; else the code page's text when it
// converts back unchanged (code_page 0 skips this); else "|" followed by UTF-8. A text that starts
// with "|" always takes the marked form, so that it reads back whole.
String NarrowPath(const String& wide_path, int code_page = 0);
// Joins two narrow paths; when either side carries the "|" marker the result is "|" + UTF-8.
String JoinNarrowPath(const String& folder, const String& name, int code_page);

// The package checksum of a byte range: seed 0x79E2BC9D, plus each little-endian 32-bit word,
// plus each tail byte as a signed 8-bit value, plus the length.
uint32_t PackageChecksum(const void* bytes, int64_t length);
inline uint32_t Hash(const String& s) { return PackageChecksum(s.Bytes(), s.Length()); }

}  // namespace valdorine
