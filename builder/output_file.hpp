// The setup executable being written: a temporary file beside the destination that becomes the
// destination only on Commit. Destroyed without a commit, it removes itself, so a failed build
// leaves nothing behind.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace valdorine::builder {

// The exit code of a build ended by SIGINT or SIGTERM.
inline constexpr int kInterruptedExitCode = 130;

// From now on SIGINT and SIGTERM remove the temporary file of the output being written and end the
// process with kInterruptedExitCode.
void RemovePartialOutputOnInterrupt();

class OutputFile {
 public:
  explicit OutputFile(std::filesystem::path destination);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  void Write(std::span<const uint8_t> bytes);
  void WriteZeros(uint64_t count);
  uint64_t Size() const { return size_; }
  // Overwrites bytes written earlier.
  void Patch(uint64_t offset, std::span<const uint8_t> bytes);
  // Reads the written bytes back in order, piece by piece (each but the last of even length).
  template <typename Visit>
  void ReadBack(Visit visit);

  void Commit();

 private:
  void Check(const char* action);
  // ": " and the system's reason for the last failure, when it gave one.
  static std::string SystemReason();

  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::fstream stream_;
  uint64_t size_ = 0;
  bool committed_ = false;
};

template <typename Visit>
void OutputFile::ReadBack(Visit visit) {
  std::vector<uint8_t> piece(1 << 20);
  stream_.seekg(0);
  for (uint64_t left = size_; left > 0;) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
    stream_.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(count));
    Check("read back");
    visit(std::span<const uint8_t>(piece.data(), count));
    left -= count;
  }
}

}  // namespace valdorine::builder
