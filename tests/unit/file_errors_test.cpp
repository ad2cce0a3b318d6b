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
  const FileErrorRow rows[] = {
      {0, "Success.", 0},
      {3, "The file was not found.", 2},
      {5, "The file is locked by another application.", 32},
      {13, "The file's Read-Only attribute is set.", 5},
      {20, "The device is not ready (usually because no disk is inserted).", 21},
      {23, "The filepath points to a folder, not a file.", kGenericFailure},
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
