// A container that cannot get its memory ends in the product's out-of-memory report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../fatal_capture.hpp"

namespace valdorine {
namespace {

TEST(GlobalAllocationDeathTest, AContainerThatCannotGrowEndsInTheOutOfMemoryReport) {
  // Within what a vector may ask for, beyond what the address space holds.
  constexpr size_t kImpossibleSize = SIZE_MAX / 4;
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        std::vector<uint8_t> bytes(kImpossibleSize);
        bytes[0] = 1;
      },
      ::testing::ExitedWithCode(1), "Out Of Memory\\..*Requested size = " + std::to_string(kImpossibleSize));
}

}  // namespace
}  // namespace valdorine
