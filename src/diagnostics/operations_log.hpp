// The operations log: the temporary file into which every install operation writes its lines
// while the installation runs. Its text is UTF-8 without a byte-order mark; callers end their lines
// with CR LF themselves. WriteInstallLog copies it into Install.log, then it is closed and deleted.
// Lines appended while it is not open are dropped, and write errors are ignored: logging never
// changes the course of the installation.
#pragma once

#include "core/string.hpp"
#include "core/win32/disk_file.hpp"

namespace valdorine {

// Creates the log as a new temporary file ("SGTxxxx.tmp" in the temporary folder), for reading and
// writing, not shared. False when it cannot be created; the run goes on without it.
bool OpenOperationsLog();
bool OperationsLogIsOpen();
// Its path while open.
const String& OperationsLogPath();

// Appends the whole log to `target` at its current position, in 4096-byte blocks; true when there
// was nothing to copy.
bool CopyOperationsLog(DiskFile& target);

// Closes the log and deletes its file.
void CloseOperationsLog();

// The log-append operations. Narrow texts are taken as Windows-1252 and converted to UTF-8; wide
// texts are converted to UTF-8.
void LogText(const char* text);
void LogTextW(const char16_t* text);
void LogFormat(const char* format, ...);
void LogFormatW(const char16_t* format, ...);
void LogConcat(const char* first, ...);       // pieces up to a null pointer
void LogConcatW(const char16_t* first, ...);  // pieces up to a null pointer
void LogString(const String& wide);
void LogStringA(const String& narrow);
void LogBytes(const String& bytes);  // written unchanged

}  // namespace valdorine
