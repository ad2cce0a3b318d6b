#include "core/file_errors.hpp"

#include <iterator>

namespace valdorine {
namespace {

struct FileErrorEntry {
  const char* message;
  uint32_t system_error;
};

// Indexed by the file error code.
constexpr FileErrorEntry kFileErrors[] = {
    {"Success.", 0},
    {"An unknown error occurred.", kGenericFailure},
    {"The filename is invalid.", 123},
    {"The file was not found.", 2},
    {"The directory does not exist.", 3},
    {"The file is locked by another application.", 32},
    {"Failed to read the file into memory.", 30},
    {"Failed to write data to the file.", 29},
    {"Too many files are already open.", 4},
    {"An invalid parameter was used.", 87},
    {"The file already exists.", 80},
    {"Too many indexed files exist.", 4},
    {"Access denied.", 5},
    {"The file's Read-Only attribute is set.", 5},
    {"The file's contents are corrupted.", 1392},
    {"Deletion failed.", 8398},
    {"The file is too large to load into memory.", 8},
    {"Aborted by the user.", 1235},
    {"Failed to create the directory.", 267},
    {"The network path is not valid.", 1203},
    {"The device is not ready (usually because no disk is inserted).", 21},
    {"The drive does not exist.", 15},
    {"Erasure verification failed.", 13915},
    {"The filepath points to a folder, not a file.", kGenericFailure},
    {"Too many tabs are open.", 4},
    {"No change was necessary.", 1252},
    {"The file is not open.", 6},
    {"The file has changed.", kGenericFailure},
};

const FileErrorEntry& EntryFor(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(kFileErrors))) return kFileErrors[file_error::kUnknown];
  return kFileErrors[code];
}

}  // namespace

const char* FileErrorMessage(int code) { return EntryFor(code).message; }

String FileErrorMessageWide(int code) {
  return WideFromNarrow(String::FromNarrow(FileErrorMessage(code)), code_page::kAnsi);
}

uint32_t FileErrorToSystem(int code) { return EntryFor(code).system_error; }

}  // namespace valdorine
