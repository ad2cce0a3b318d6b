#include "progress_line.hpp"

#include <unistd.h>

namespace valdorine::builder {

namespace {
constexpr std::chrono::milliseconds kInterval(100);
constexpr double kMebibyte = 1024.0 * 1024.0;
}  // namespace

ProgressLine::~ProgressLine() {
  if (shown_) std::fputs("\r\x1b[K", terminal_);
  std::fflush(terminal_);
}

void ProgressLine::Show(const BuildProgress& progress) {
  const auto now = std::chrono::steady_clock::now();
  const bool done = progress.files_done == progress.files;
  if (shown_ && !done && now - last_ < kInterval) return;
  last_ = now;
  shown_ = true;
  const double percent = progress.bytes == 0 ? 100.0 : 100.0 * double(progress.bytes_done) / double(progress.bytes);
  std::fprintf(terminal_, "\rpacking: %zu/%zu files, %.1f/%.1f MiB (%.0f%%)\x1b[K", progress.files_done, progress.files,
               double(progress.bytes_done) / kMebibyte, double(progress.bytes) / kMebibyte, percent);
  std::fflush(terminal_);
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace valdorine::builder
