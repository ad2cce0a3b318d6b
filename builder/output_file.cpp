#include "output_file.hpp"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "build_error.hpp"

namespace valdorine::builder {
namespace {

// The temporary file being written, for the signal handler: a fixed buffer, since the handler
// may only call what is safe inside one.
char g_partial_path[4096];

void RemovePartialAndExit(int) {
  if (g_partial_path[0] != 0) unlink(g_partial_path);
  _exit(kInterruptedExitCode);
}

void SetPartialPath(const std::filesystem::path& path) {
  const std::string text = path.string();
  g_partial_path[0] = 0;
  if (text.size() < sizeof g_partial_path) std::memcpy(g_partial_path, text.c_str(), text.size() + 1);
}

}  // namespace

void RemovePartialOutputOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = RemovePartialAndExit;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

OutputFile::OutputFile(std::filesystem::path destination)
    : destination_(std::move(destination)), temporary_(destination_) {
  temporary_ += ".partial";
  errno = 0;
  stream_.open(temporary_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  if (!stream_) throw BuildError("cannot create " + destination_.string() + SystemReason());
  SetPartialPath(temporary_);
}

OutputFile::~OutputFile() {
  if (committed_) return;
  g_partial_path[0] = 0;
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

std::string OutputFile::SystemReason() {
  return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
}

void OutputFile::Check(const char* action) {
  if (!stream_) throw BuildError(std::string("cannot ") + action + " " + destination_.string() + SystemReason());
}

void OutputFile::Write(std::span<const uint8_t> bytes) {
  stream_.seekp(static_cast<std::streamoff>(size_));
  stream_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Check("write");
  size_ += bytes.size();
}

void OutputFile::WriteZeros(uint64_t count) {
  const std::vector<uint8_t> zeros(static_cast<size_t>(std::min<uint64_t>(count, 1 << 16)), 0);
  while (count > 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(count, zeros.size()));
    Write(std::span(zeros).first(piece));
    count -= piece;
  }
}

void OutputFile::Patch(uint64_t offset, std::span<const uint8_t> bytes) {
  stream_.seekp(static_cast<std::streamoff>(offset));
  stream_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Check("write");
}

void OutputFile::Commit() {
  errno = 0;
  stream_.close();
  if (stream_.fail()) throw BuildError("cannot write " + destination_.string() + SystemReason());
  g_partial_path[0] = 0;
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  committed_ = !error;
  if (error) throw BuildError("cannot create " + destination_.string() + ": " + error.message());
}

}  // namespace valdorine::builder
