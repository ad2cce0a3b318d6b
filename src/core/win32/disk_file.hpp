// DiskFile: the one file class through which the system reads and writes files. It opens with a
// compact flag word, retries while another program holds the file, reports numbered file error
// codes (core/file_errors.hpp) and keeps a readable text of its last read or write failure.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "core/win32/unique_handle.hpp"

namespace valdorine {

// The open flag word.
namespace open_flag {
// Disposition (bits 0-1).
inline constexpr uint32_t kOpenOrCreate = 0;
inline constexpr uint32_t kOpenExisting = 1;
inline constexpr uint32_t kCreateNew = 2;  // fails when the file exists
inline constexpr uint32_t kCreateOrTruncate = 3;
inline constexpr uint32_t kDispositionMask = 3;

inline constexpr uint32_t kNoRead = 0x8;
inline constexpr uint32_t kNoWrite = 0x10;
inline constexpr uint32_t kFatalOnFailure = 0x20;  // "Failed to open required file:..." ends the program
inline constexpr uint32_t kRetryOnce = 0x40;       // after the first failure, wait 150 ms and try again
inline constexpr uint32_t kLoadIntoMemory = 0x80;  // reads and writes then act on an image in memory
// Sharing. A write-only open that shares writing also shares reading; a read-only open that
// shares reading also shares writing.
inline constexpr uint32_t kShareRead = 0x100;
inline constexpr uint32_t kShareWrite = 0x200;
inline constexpr uint32_t kAppend = 0x400;          // move to the end after opening
inline constexpr uint32_t kCloseAfterOpen = 0x800;  // create or test only
inline constexpr uint32_t kNoSharingRetry = 0x1000;
inline constexpr uint32_t kWidePath = 0x2000;  // otherwise the path is 8-bit text (see NarrowPath)
// For files in folders that other users may write: a link in the file's place is removed first (a
// file that is created or truncated is always made anew), the open never follows a reparse
// point, and it fails with ERROR_ACCESS_DENIED when the file opened still has other names.
inline constexpr uint32_t kNoLinks = 0x4000;
// The handle may also read and change the file's owner and access list.
inline constexpr uint32_t kSecurityAccess = 0x8000;

// Name modes (top three bits): which file the path names.
inline constexpr uint32_t kNameModeMask = 0xE0000000;
inline constexpr uint32_t kNewTempFile = 0x20000000;               // in the temporary folder
inline constexpr uint32_t kNewTempFileInFolder = 0x40000000;       // in the folder given as path
inline constexpr uint32_t kNameInTempFolder = 0x60000000;          // the given name in the temporary folder
inline constexpr uint32_t kNewTempFileBeside = 0x80000000;         // in the folder of the given path
inline constexpr uint32_t kNewTempFileWithExtension = 0xA0000000;  // the path is the extension
}  // namespace open_flag

// The results of DetectTextMark.
namespace text_mark {
inline constexpr int kNone = 1;
inline constexpr int kUtf16LittleEndian = 2;  // FF FE
inline constexpr int kUtf16BigEndian = 3;     // FE FF
inline constexpr int kUtf8 = 4;               // EF BB BF
}  // namespace text_mark

class DiskFile {
 public:
  // The length of CopyFrom that means "to the end".
  static constexpr int64_t kAll = INT64_MAX;

  DiskFile() = default;
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;
  DiskFile(DiskFile&&) noexcept = default;
  DiskFile& operator=(DiskFile&&) noexcept = default;

  // Opens `path` by the open flag word, closing the file open before, and returns a file error
  // code. A sharing violation is retried up to six attempts 100 ms apart (unless kNoSharingRetry).
  // On failure the thread's last error is the system's error of the last attempt.
  int Open(const String& path, uint32_t flags, uint32_t attributes = FILE_ATTRIBUTE_NORMAL);
  void Close();  // keeps Path()

  bool IsOpen() const { return handle_.IsValid(); }
  // The full path of the last open (a temporary name made by a name mode included).
  const String& Path() const { return path_; }
  HANDLE Handle() const { return handle_.Get(); }

  // Reads exactly `size` bytes; a short read moves back to where it began.
  bool Read(void* buffer, int size);
  // Reads up to `size` bytes; the count read (0 at the end), or -1 on failure.
  int ReadSome(void* buffer, int size);
  // Writes all bytes, in pieces of at most 1 MiB.
  bool Write(const void* data, int size);

  int64_t Size();  // -1 when closed
  int64_t Tell();  // -1 when closed
  bool Seek(int64_t position);
  bool SeekFromEnd(int64_t offset);  // to Size() + offset

  // The whole file into `contents` (bytes); a file error code.
  int ReadAll(String& contents);
  // Writes the bytes of `contents` from offset 0 and cuts the file after them; a file error code.
  int RewriteAll(const String& contents);
  // Appends the bytes of `source` from `offset`, at most `length` (or to its end), in 4096-byte
  // blocks.
  bool CopyFrom(DiskFile& source, int64_t offset, int64_t length = kAll);
  // Reads a byte-order mark at the current position and returns a text_mark; the position ends
  // after the mark, or stays where it was without one.
  int DetectTextMark();

  // The text of the last read or write failure (wide).
  const String& LastErrorText() const { return last_error_text_; }

 private:
  int OpenResolved(const String& path, uint32_t flags, uint32_t attributes);
  bool LoadIntoMemory();
  bool CheckReadRequest(const void* buffer, int size, const char16_t* null_buffer_text);
  int ReadBytes(void* buffer, int size);
  bool WriteToImage(const void* data, int size);
  bool WriteToDisk(const void* data, int size);
  bool CutAtPosition();
  bool Failure(const String& text);
  bool Failure(const char16_t* text, DWORD system_error);

  UniqueFileHandle handle_;
  String path_;
  bool can_read_ = false;
  bool can_write_ = false;
  bool in_memory_ = false;
  String image_;
  int64_t image_position_ = 0;
  String last_error_text_;
};

// Reads a whole file (wide path) into `contents`; a file error code.
int ReadWholeFile(const String& path, String& contents);
// Creates or truncates the file (wide path) and writes `contents`; a file error code. `extra_flags`
// are added to the open flag word (kNoLinks).
int WriteWholeFile(const String& path, const String& contents, uint32_t extra_flags = 0);

}  // namespace valdorine
