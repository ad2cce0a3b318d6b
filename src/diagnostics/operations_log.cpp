#include "diagnostics/operations_log.hpp"

#include <cstdarg>

#include "core/file_errors.hpp"
#include "core/win32/safe_delete.hpp"

namespace valdorine {
namespace {

DiskFile& Log() {
  static DiskFile file;
  return file;
}

String Utf8FromWide(const String& wide) { return NarrowFromWide(wide, code_page::kUtf8); }

String Utf8FromWindows1252(const String& narrow) {
  return Utf8FromWide(WideFromNarrow(narrow, code_page::kWindows1252));
}

}  // namespace

bool OpenOperationsLog() {
  CloseOperationsLog();
  return Log().Open(String(), open_flag::kNewTempFile | open_flag::kWidePath) == file_error::kSuccess;
}

bool OperationsLogIsOpen() { return Log().IsOpen(); }

const String& OperationsLogPath() { return Log().Path(); }

bool CopyOperationsLog(DiskFile& target) { return !Log().IsOpen() || target.CopyFrom(Log(), 0); }

void CloseOperationsLog() {
  if (!Log().IsOpen()) return;
  Log().Close();
  DeleteFileAt(Log().Path());
}

void LogBytes(const String& bytes) {
  if (Log().IsOpen()) Log().Write(bytes.Bytes(), bytes.Length());
}

void LogString(const String& wide) { LogBytes(Utf8FromWide(wide)); }
void LogStringA(const String& narrow) { LogBytes(Utf8FromWindows1252(narrow)); }
void LogText(const char* text) { LogStringA(String::FromNarrow(text)); }
void LogTextW(const char16_t* text) { LogString(String::FromWide(text)); }

void LogFormat(const char* format, ...) {
  String text;
  va_list args;
  va_start(args, format);
  text.AppendFormatNarrowV(format, args);
  va_end(args);
  LogStringA(text);
}

void LogFormatW(const char16_t* format, ...) {
  String text;
  va_list args;
  va_start(args, format);
  text.AppendFormatWideV(format, args);
  va_end(args);
  LogString(text);
}

void LogConcat(const char* first, ...) {
  String text;
  va_list args;
  va_start(args, first);
  for (const char* piece = first; piece != nullptr; piece = va_arg(args, const char*)) text.AppendNarrow(piece);
  va_end(args);
  LogStringA(text);
}

void LogConcatW(const char16_t* first, ...) {
  String text;
  va_list args;
  va_start(args, first);
  for (const char16_t* piece = first; piece != nullptr; piece = va_arg(args, const char16_t*)) text.AppendWide(piece);
  va_end(args);
  LogString(text);
}

}  // namespace valdorine
