#include "core/win32/disk_file.hpp"

#include <algorithm>
#include <cstring>

#include "core/fatal.hpp"
#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/file_error_mapping.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/last_error.hpp"
#include "core/win32/planted_links.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr int kMaxSharingAttempts = 6;
constexpr DWORD kSharingRetryDelayMs = 100;
constexpr DWORD kRetryOnceDelayMs = 150;
constexpr int kWritePieceBytes = 1 << 20;
constexpr int kCopyBlockBytes = 4096;
constexpr DWORD kPartialWriteError = 5922;
// A String holds at most this many bytes (its capacity, terminator included, is a signed int).
constexpr int64_t kMaxImageBytes = 0x7FFFFFFF - 2;

int InvalidName() {
  SetLastError(ERROR_INVALID_NAME);
  return file_error::kInvalidName;
}

bool AcceptsEmptyPath(uint32_t mode) {
  return mode == open_flag::kNewTempFile || mode == open_flag::kNewTempFileWithExtension;
}

// The file that the name mode of `flags` makes of `path`, or a file error code.
int ResolveName(const String& path, uint32_t flags, String& resolved) {
  const uint32_t mode = flags & open_flag::kNameModeMask;
  if (path.IsEmpty() && !AcceptsEmptyPath(mode)) return InvalidName();
  switch (mode) {
    case 0: resolved = path; break;
    case open_flag::kNewTempFile: resolved = MakeTempName(String(), String()); break;
    case open_flag::kNewTempFileInFolder: resolved = MakeTempName(path, String()); break;
    case open_flag::kNameInTempFolder: resolved = JoinPath(TempFolder(), path); break;
    case open_flag::kNewTempFileBeside: resolved = MakeTempName(ParentFolder(FullPath(path)), String()); break;
    case open_flag::kNewTempFileWithExtension: resolved = MakeTempName(String(), path); break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return file_error::kInvalidParameter;
  }
  return IsValidFileName(resolved) ? file_error::kSuccess : InvalidName();
}

DWORD Disposition(uint32_t flags) {
  const uint32_t mode = flags & open_flag::kNameModeMask;
  if (mode == open_flag::kNewTempFile || mode == open_flag::kNewTempFileInFolder ||
      mode == open_flag::kNewTempFileBeside) {
    return CREATE_ALWAYS;
  }
  constexpr DWORD kDispositions[] = {OPEN_ALWAYS, OPEN_EXISTING, CREATE_NEW, CREATE_ALWAYS};
  return kDispositions[flags & open_flag::kDispositionMask];
}

DWORD ShareMode(uint32_t flags, bool read, bool write) {
  DWORD share = 0;
  if (flags & open_flag::kShareRead) share |= FILE_SHARE_READ;
  if (flags & open_flag::kShareWrite) share |= FILE_SHARE_WRITE;
  if (write && !read && (share & FILE_SHARE_WRITE)) share |= FILE_SHARE_READ;
  if (read && !write && (share & FILE_SHARE_READ)) share |= FILE_SHARE_WRITE;
  return share;
}

// Calls the system's create-file service until it succeeds or the retry rules give up; the
// last error is that of the last attempt.
HANDLE CreateWithRetries(const String& path, DWORD access, DWORD share, DWORD disposition, DWORD attributes,
                         uint32_t flags) {
  bool retried_once = false;
  for (int attempt = 1;; ++attempt) {
    const HANDLE handle = CreateFileW(WinText(path), access, share, nullptr, disposition, attributes, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    LastErrorKeeper keeper;
    if ((flags & open_flag::kRetryOnce) && !retried_once) {
      retried_once = true;
      Sleep(kRetryOnceDelayMs);
    } else if (GetLastError() == ERROR_SHARING_VIOLATION && !(flags & open_flag::kNoSharingRetry) &&
               attempt < kMaxSharingAttempts) {
      Sleep(kSharingRetryDelayMs);
    } else {
      return INVALID_HANDLE_VALUE;
    }
  }
}

// Before a kNoLinks open: a file to be created or truncated is deleted and made anew (deleting a
// link removes only the link), anything else loses a link in its place; the open then does not
// follow reparse points. The disposition to open with.
DWORD ClearLinks(const String& path, DWORD disposition, uint32_t& attributes) {
  attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  if (disposition != CREATE_ALWAYS) {
    RemovePlantedLink(path);
    return disposition;
  }
  DeleteFileW(WinText(path));
  return CREATE_NEW;
}

// Reads from the system handle until `size` bytes or the end; the count, or -1 with the
// system's error set.
int ReadFromHandle(HANDLE handle, uint8_t* buffer, int size) {
  int total = 0;
  while (total < size) {
    const DWORD piece = static_cast<DWORD>(std::min(size - total, kWritePieceBytes));
    DWORD read = 0;
    if (!ReadFile(handle, buffer + total, piece, &read, nullptr)) return -1;
    if (read == 0) break;
    total += static_cast<int>(read);
  }
  return total;
}

}  // namespace

int DiskFile::Open(const String& path, uint32_t flags, uint32_t attributes) {
  Close();
  path_.Release();
  const String wide_path = (flags & open_flag::kWidePath) ? path : WidePathFromNarrow(path);
  String resolved;
  int code = ResolveName(wide_path, flags, resolved);
  if (code == file_error::kSuccess) code = OpenResolved(resolved, flags, attributes);
  if (code != file_error::kSuccess && (flags & open_flag::kFatalOnFailure)) {
    const String& shown = resolved.IsEmpty() ? wide_path : resolved;
    FatalWide(u"Failed to open required file:\r\n%s\r\n\r\n%s", shown.Wide(), FileErrorMessageWide(code).Wide());
  }
  return code;
}

int DiskFile::OpenResolved(const String& path, uint32_t flags, uint32_t attributes) {
  const bool read = !(flags & open_flag::kNoRead);
  const bool write = !(flags & open_flag::kNoWrite);
  DWORD access = (read ? GENERIC_READ : 0) | (write ? GENERIC_WRITE : 0);
  if (flags & open_flag::kSecurityAccess) access |= READ_CONTROL | WRITE_DAC | WRITE_OWNER;
  DWORD disposition = Disposition(flags);
  if (flags & open_flag::kNoLinks) disposition = ClearLinks(path, disposition, attributes);
  path_ = FullPath(path);
  const HANDLE handle = CreateWithRetries(path, access, ShareMode(flags, read, write), disposition, attributes, flags);
  if (handle == INVALID_HANDLE_VALUE) return FileErrorFromSystem(GetLastError(), path, write);
  handle_.Reset(handle);
  if ((flags & open_flag::kNoLinks) && !IsSingleLinkFile(handle)) {
    Close();
    SetLastError(ERROR_ACCESS_DENIED);
    return FileErrorFromSystem(ERROR_ACCESS_DENIED, path, write);
  }
  can_read_ = read;
  can_write_ = write;
  if ((flags & open_flag::kLoadIntoMemory) && !LoadIntoMemory()) {
    LastErrorKeeper keeper;
    Close();
    return file_error::kReadFailed;
  }
  if (flags & open_flag::kAppend) SeekFromEnd(0);
  if (flags & open_flag::kCloseAfterOpen) Close();
  return file_error::kSuccess;
}

void DiskFile::Close() {
  handle_.Reset();
  can_read_ = false;
  can_write_ = false;
  in_memory_ = false;
  image_.Release();
  image_position_ = 0;
}

bool DiskFile::LoadIntoMemory() {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_.Get(), &size)) return false;
  if (size.QuadPart > kMaxImageBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  const int length = static_cast<int>(size.QuadPart);
  String image;
  image.SetExactLength(length);
  auto* bytes = reinterpret_cast<uint8_t*>(image.MutableNarrow());
  if (length > 0 && ReadFromHandle(handle_.Get(), bytes, length) != length) return false;
  image_ = std::move(image);
  image_position_ = 0;
  in_memory_ = true;
  return true;
}

bool DiskFile::Failure(const String& text) {
  last_error_text_ = text;
  return false;
}

bool DiskFile::Failure(const char16_t* text, DWORD system_error) {
  last_error_text_ = String::FromWide(text);
  SetLastError(system_error);
  return false;
}

bool DiskFile::CheckReadRequest(const void* buffer, int size, const char16_t* null_buffer_text) {
  if (size < 0) return Failure(String::FormatWide(u"Illegal block size %d", size));
  if (buffer == nullptr) return Failure(String::FromWide(null_buffer_text));
  if (!IsOpen()) return Failure(u"File not open", ERROR_INVALID_HANDLE);
  if (!can_read_) return Failure(u"Read access denied", ERROR_ACCESS_DENIED);
  return true;
}

int DiskFile::ReadBytes(void* buffer, int size) {
  if (in_memory_) {
    const int available = static_cast<int>(std::max<int64_t>(image_.Length() - image_position_, 0));
    const int count = std::min(size, available);
    std::memcpy(buffer, image_.Bytes() + image_position_, static_cast<size_t>(count));
    image_position_ += count;
    return count;
  }
  const int count = ReadFromHandle(handle_.Get(), static_cast<uint8_t*>(buffer), size);
  if (count < 0) Failure(SystemErrorText(GetLastError()));
  return count;
}

bool DiskFile::Read(void* buffer, int size) {
  if (size == 0) return true;
  if (!CheckReadRequest(buffer, size, u"read(NULL)")) return false;
  const int64_t start = Tell();
  const int count = ReadBytes(buffer, size);
  if (count < 0) return false;
  if (count < size) {
    Seek(start);
    return Failure(u"Read past end of file", ERROR_HANDLE_EOF);
  }
  return true;
}

int DiskFile::ReadSome(void* buffer, int size) {
  if (size == 0) return 0;
  if (!CheckReadRequest(buffer, size, u"NULL block pointer")) return -1;
  return ReadBytes(buffer, size);
}

bool DiskFile::Write(const void* data, int size) {
  if (size == 0) return true;
  if (size < 0) return Failure(u"Illegal write size", ERROR_INVALID_PARAMETER);
  if (data == nullptr) return Failure(u"write(NULL)", ERROR_INVALID_PARAMETER);
  if (!IsOpen()) return Failure(u"File not open", ERROR_INVALID_HANDLE);
  if (!can_write_) return Failure(u"Write access denied", ERROR_ACCESS_DENIED);
  return in_memory_ ? WriteToImage(data, size) : WriteToDisk(data, size);
}

bool DiskFile::WriteToImage(const void* data, int size) {
  const int64_t end = image_position_ + size;
  if (end > kMaxImageBytes) return Failure(u"Not all data could be written", ERROR_NOT_ENOUGH_MEMORY);
  if (end > image_.Length()) image_.SetLength(static_cast<int>(end));
  std::memcpy(image_.MutableNarrow() + image_position_, data, static_cast<size_t>(size));
  image_position_ = end;
  return true;
}

bool DiskFile::WriteToDisk(const void* data, int size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (int done = 0; done < size;) {
    const DWORD piece = static_cast<DWORD>(std::min(size - done, kWritePieceBytes));
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);
    if (!WriteFile(handle_.Get(), bytes + done, piece, &written, nullptr)) {
      return Failure(SystemErrorText(GetLastError()));
    }
    if (written < piece) {
      const DWORD error = GetLastError();
      return Failure(u"Not all data could be written", error != ERROR_SUCCESS ? error : kPartialWriteError);
    }
    done += static_cast<int>(written);
  }
  return true;
}

int64_t DiskFile::Size() {
  if (in_memory_) return image_.Length();
  LARGE_INTEGER size{};
  if (!IsOpen() || !GetFileSizeEx(handle_.Get(), &size)) return -1;
  return size.QuadPart;
}

int64_t DiskFile::Tell() {
  if (in_memory_) return image_position_;
  LARGE_INTEGER position{};
  if (!IsOpen() || !SetFilePointerEx(handle_.Get(), LARGE_INTEGER{}, &position, FILE_CURRENT)) return -1;
  return position.QuadPart;
}

bool DiskFile::Seek(int64_t position) {
  if (position < 0 || !IsOpen()) return false;
  if (in_memory_) {
    if (position > image_.Length()) return false;
    image_position_ = position;
    return true;
  }
  LARGE_INTEGER target{};
  target.QuadPart = position;
  return SetFilePointerEx(handle_.Get(), target, nullptr, FILE_BEGIN);
}

bool DiskFile::SeekFromEnd(int64_t offset) {
  const int64_t size = Size();
  return size >= 0 && Seek(size + offset);
}

int DiskFile::ReadAll(String& contents) {
  contents.Release();
  if (!IsOpen()) return file_error::kNotOpen;
  const int64_t size = Size();
  if (size < 0 || !Seek(0)) return file_error::kReadFailed;
  if (size > kMaxImageBytes) return file_error::kTooLarge;
  String data;
  data.SetExactLength(static_cast<int>(size));
  if (size > 0 && !Read(data.MutableNarrow(), static_cast<int>(size))) return file_error::kReadFailed;
  contents = std::move(data);
  return file_error::kSuccess;
}

bool DiskFile::CutAtPosition() {
  if (in_memory_) {
    image_.SetLength(static_cast<int>(image_position_));
    return true;
  }
  return SetEndOfFile(handle_.Get()) || Failure(SystemErrorText(GetLastError()));
}

int DiskFile::RewriteAll(const String& contents) {
  if (!IsOpen()) return file_error::kNotOpen;
  if (!Seek(0) || !Write(contents.Bytes(), contents.Length()) || !CutAtPosition()) return file_error::kWriteFailed;
  return file_error::kSuccess;
}

bool DiskFile::CopyFrom(DiskFile& source, int64_t offset, int64_t length) {
  if (!source.Seek(offset)) return Failure(u"Cannot seek in the source file", ERROR_SEEK);
  uint8_t block[kCopyBlockBytes];
  while (length > 0) {
    const int count = source.ReadSome(block, static_cast<int>(std::min<int64_t>(length, kCopyBlockBytes)));
    if (count < 0) return Failure(source.LastErrorText());
    if (count == 0) break;
    if (!Write(block, count)) return false;
    length -= count;
  }
  return true;
}

int DiskFile::DetectTextMark() {
  const int64_t start = Tell();
  uint8_t bytes[3] = {};
  const int count = ReadSome(bytes, 3);
  int mark = text_mark::kNone;
  int mark_length = 0;
  if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    mark = text_mark::kUtf16LittleEndian;
    mark_length = 2;
  } else if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    mark = text_mark::kUtf16BigEndian;
    mark_length = 2;
  } else if (count == 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    mark = text_mark::kUtf8;
    mark_length = 3;
  }
  Seek(start + mark_length);
  return mark;
}

int ReadWholeFile(const String& path, String& contents) {
  contents.Release();
  DiskFile file;
  const int code = file.Open(path, open_flag::kOpenExisting | open_flag::kNoWrite | open_flag::kShareRead |
                                       open_flag::kWidePath);
  return code != file_error::kSuccess ? code : file.ReadAll(contents);
}

int WriteWholeFile(const String& path, const String& contents, uint32_t extra_flags) {
  DiskFile file;
  const int code =
      file.Open(path, open_flag::kCreateOrTruncate | open_flag::kNoRead | open_flag::kWidePath | extra_flags);
  if (code != file_error::kSuccess) return code;
  return file.Write(contents.Bytes(), contents.Length()) ? file_error::kSuccess : file_error::kWriteFailed;
}

}  // namespace valdorine
