// The live progress line of a build on a terminal: files, bytes and percent, rewritten in place
// at most ten times a second, and cleared when the build ends.
#pragma once

#include <chrono>
#include <cstdio>

#include "package_writer.hpp"

namespace valdorine::builder {

class ProgressLine {
 public:
  explicit ProgressLine(std::FILE* terminal) : terminal_(terminal) {}
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  void Show(const BuildProgress& progress);

 private:
  std::FILE* terminal_;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

// True when `stream` is a terminal that a progress line may be written to.
bool IsTerminal(std::FILE* stream);

}  // namespace valdorine::builder
