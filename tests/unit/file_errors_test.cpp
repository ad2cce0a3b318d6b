#include "core/file_errors.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

struct FileErrorRow {
  int code;
  const char* message;
  uint32_t system_error;
};

TEST(FileErrors, MessagesAndSystemErrorsFollowTheTable) {
  // The whole table: every code, its message and its system error.
  const FileErrorRow rows[] = {
      {0, "Success.", 0},
      {1, "An unknown error occurred.", kGenericFailure},
      {2, "The filename is invalid.", 123},
      {3, "The file was not found.", 2},
      {4, "The directory does not exist.", 3},
      {5, "The file is locked by another application.", 32},
      {6, "Failed to read the file into memory.", 30},
      {7, "Failed to write data to the file.", 29},
      {8, "Too many files are already open.", 4},
      {9, "An invalid parameter was used.", 87},
      {10, "The file already exists.", 80},
      {11, "Too many indexed files exist.", 4},
      {12, "Access denied.", 5},
      {13, "The file's Read-Only attribute is set.", 5},
      {14, "The file's contents are corrupted.", 1392},
      {15, "Deletion failed.", 8398},
      {16, "The file is too large to load into memory.", 8},
      {17, "Aborted by the user.", 1235},
      {18, "Failed to create the directory.", 267},
      {19, "The network path is not valid.", 1203},
      {20, "The device is not ready (usually because no disk is inserted).", 21},
      {21, "The drive does not exist.", 15},
      {22, "Erasure verification failed.", 13915},
      {23, "The filepath points to a folder, not a file.", kGenericFailure},
      {24, "Too many tabs are open.", 4},
      {25, "No change was necessary.", 1252},
      {26, "The file is not open.", 6},
      {27, "The file has changed.", kGenericFailure},
  };
  for (const FileErrorRow& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_STREQ(FileErrorMessage(row.code), row.message);
    EXPECT_EQ(FileErrorToSystem(row.code), row.system_error);
  }
}

TEST(FileErrors, CodesOutsideTheTableAreUnknownErrors) {
  for (int code : {1, 28, 99, -1}) {
    SCOPED_TRACE(code);
    EXPECT_STREQ(FileErrorMessage(code), "An unknown error occurred.");
    EXPECT_EQ(FileErrorToSystem(code), kGenericFailure);
  }
}

TEST(FileErrors, WideMessageIsTheSameText) {
  EXPECT_EQ(testing::WideOf(FileErrorMessageWide(file_error::kReadOnly)), u"The file's Read-Only attribute is set.");
}

}  // namespace
}  // namespace valdorine
