#include "operations/text_copies.hpp"

#include <cstring>

#include "core/file_errors.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations/registration_files.hpp"
#include "run/run_state.hpp"

namespace valdorine {
namespace {

constexpr char kRichTextSignature[] = "{\\rtf";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16Mark[] = "\xFF\xFE";

bool BeginsWith(const String& bytes, int offset, const char* prefix) {
  const int length = static_cast<int>(std::strlen(prefix));
  return bytes.Length() >= offset + length && std::memcmp(bytes.Bytes() + offset, prefix, length) == 0;
}

String CopyName(const TextCopyKind& kind, int text_count, int number, bool rich) {
  const char16_t* extension = rich ? u"rtf" : u"txt";
  if (text_count == 1) return String::FormatWide(u"%s.%s", kind.base_name, extension);
  return String::FormatWide(u"%s%d.%s", kind.base_name, number, extension);
}

String FileContents(const String& stored, bool rich) {
  if (rich) return stored;
  String contents = String::FromNarrow(kUtf16Mark);
  contents.Append(stored);
  return contents;
}

void SaveTextCopy(const String& stored, const String& path, bool rich, const TextCopyKind& kind) {
  ShowRegistrationItem(path);
  const int result = SaveRecordedFile(path, FileContents(stored, rich));
  if (result != file_error::kSuccess) {
    LogFormatW(kind.failed_line, path.Wide(), FileErrorMessageWide(result).Wide());
  } else if ((Run().options.word1 & option1::kLogEachFile) != 0) {
    LogFormatW(kind.saved_line, path.Wide());
  }
}

}  // namespace

bool IsRichText(const String& stored) {
  return BeginsWith(stored, 0, kRichTextSignature) ||
         (BeginsWith(stored, 0, kUtf8Mark) && BeginsWith(stored, 3, kRichTextSignature));
}

void SaveTextCopies(const Array<String>& texts, const TextCopyKind& kind) {
  for (int index = 0; index < texts.Count(); ++index) {
    const String& stored = texts[index];
    if (stored.IsEmpty()) continue;
    const bool rich = IsRichText(stored);
    SaveTextCopy(stored, JoinPath(Run().install_dir, CopyName(kind, texts.Count(), index + 1, rich)), rich, kind);
  }
}

}  // namespace valdorine
