// File error codes: the numbered results of opening files and of whole-file operations. Each code
// has a fixed English message and the system error code that stands for it when the code is
// reported on its own. The numbers never change meaning.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace file_error {
inline constexpr int kSuccess = 0;
inline constexpr int kUnknown = 1;
inline constexpr int kInvalidName = 2;
inline constexpr int kFileNotFound = 3;
inline constexpr int kFolderNotFound = 4;
inline constexpr int kLocked = 5;
inline constexpr int kReadFailed = 6;
inline constexpr int kWriteFailed = 7;
inline constexpr int kTooManyOpenFiles = 8;
inline constexpr int kInvalidParameter = 9;
inline constexpr int kAlreadyExists = 10;
inline constexpr int kTooManyIndexedFiles = 11;
inline constexpr int kAccessDenied = 12;
inline constexpr int kReadOnly = 13;
inline constexpr int kCorrupted = 14;
inline constexpr int kDeletionFailed = 15;
inline constexpr int kTooLarge = 16;
inline constexpr int kAborted = 17;
inline constexpr int kFolderCreationFailed = 18;
inline constexpr int kInvalidNetworkPath = 19;
inline constexpr int kDeviceNotReady = 20;
inline constexpr int kNoSuchDrive = 21;
inline constexpr int kErasureUnverified = 22;
inline constexpr int kPathIsFolder = 23;
inline constexpr int kTooManyTabs = 24;
inline constexpr int kNoChangeNeeded = 25;
inline constexpr int kNotOpen = 26;
inline constexpr int kChanged = 27;
}  // namespace file_error

// The system's generic failure code (E_FAIL), used by codes without a closer system error.
inline constexpr uint32_t kGenericFailure = 0x80004005u;

// The fixed English message of a code; unknown codes read "An unknown error occurred.".
const char* FileErrorMessage(int code);
// The same message as wide text (converted from the ANSI code page).
String FileErrorMessageWide(int code);
// The system error code that stands for a file error code; unknown codes give kGenericFailure.
uint32_t FileErrorToSystem(int code);

}  // namespace valdorine
