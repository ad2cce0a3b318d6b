#include "output_file.hpp"

#include <system_error>
#include <vector>

#include "build_error.hpp"

namespace valdorine::builder {

OutputFile::OutputFile(std::filesystem::path destination)
    : destination_(std::move(destination)), temporary_(destination_) {
  temporary_ += ".partial";
  stream_.open(temporary_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  if (!stream_) throw BuildError("cannot create the output file " + temporary_.string());
}

OutputFile::~OutputFile() {
  if (committed_) return;
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void OutputFile::Check(const char* action) {
  if (!stream_) throw BuildError(std::string("cannot ") + action + " the output file " + temporary_.string());
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
  stream_.close();
  if (stream_.fail()) throw BuildError("cannot write the output file " + temporary_.string());
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) throw BuildError("cannot create " + destination_.string() + ": " + error.message());
  committed_ = true;
}

}  // namespace valdorine::builder
