#include "package_writer.hpp"

#include <fstream>
#include <iterator>

#include "archive_output.hpp"
#include "block_compressor_pool.hpp"
#include "build_error.hpp"
#include "core/string.hpp"
#include "format/archive_writer.hpp"
#include "format/byte_writer.hpp"
#include "format/package_contents.hpp"
#include "format/package_header.hpp"
#include "format/pe_image.hpp"
#include "output_file.hpp"
#include "pe_section_writer.hpp"

namespace valdorine::builder {
namespace {

constexpr size_t kReadPiece = 1 << 20;

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw BuildError("cannot open " + path.string());
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw BuildError("cannot read " + path.string());
  return bytes;
}

// The stored script, no larger than the header allows.
std::vector<uint8_t> StoredScript(const std::vector<uint8_t>& script, uint32_t script_key, uint32_t preset,
                                  const Blowfish* cipher) {
  std::vector<uint8_t> stored;
  if (!PackScript(script, script_key, preset, cipher, stored)) throw BuildError("the xz encoder failed on the install script");
  if (stored.size() > kMaxScriptLength) throw BuildError("the install script is too large");
  return stored;
}

// Streams every input file's record through the compressor pool into the output.
void WriteArchive(const std::vector<PackedFile>& files, const BuildOptions& options, const BlockPacking& packing,
                  ArchiveOutput& archive) {
  BlockCompressorPool pool(options.threads, packing, [&](std::vector<uint8_t> stored) { archive.Add(std::move(stored)); });
  RecordBlocker blocker(options.block_size, [&](std::vector<uint8_t> raw) { pool.Submit(std::move(raw)); });
  std::vector<uint8_t> piece(kReadPiece);
  BuildProgress progress{0, files.size(), 0, 0};
  for (const PackedFile& file : files) progress.bytes += file.size;
  const auto report = [&] {
    if (options.progress) options.progress(progress);
  };
  for (const PackedFile& file : files) {
    std::ifstream in(file.source, std::ios::binary);
    if (!in) throw BuildError("cannot open " + file.source.string());
    blocker.BeginEntry(file.entry, file.size);
    for (uint64_t left = file.size; left > 0;) {
      const size_t count = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
      if (!in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(count))) {
        throw BuildError("cannot read " + file.source.string() + " (did it change during the build?)");
      }
      blocker.AddData(std::span(piece).first(count));
      left -= count;
      progress.bytes_done += count;
      report();
    }
    blocker.EndEntry();
    ++progress.files_done;
    report();
  }
  blocker.Finish();
  pool.Finish();
}

void WritePeChecksum(OutputFile& out, const StubImage& stub) {
  PeChecksum checksum(stub.ChecksumFieldOffset());
  out.ReadBack([&](std::span<const uint8_t> piece) { checksum.Add(piece); });
  ByteWriter field;
  field.U32(checksum.Result());
  out.Patch(stub.ChecksumFieldOffset(), field.Bytes());
}

}  // namespace

BuildSummary BuildSetup(const BuildOptions& options) {
  StubImage stub(ReadWholeFile(options.stub), options.stub.string());
  const std::vector<PackedFile> files = CollectInputFiles(options.files);
  if (options.archive_in_file && files.empty()) {
    throw BuildError("an archive after the section needs at least one file");
  }
  if (options.archive_in_file && !stub.StubSignature().empty()) {
    throw BuildError("a signed stub needs the archive inside the section (leave out archive-in-file)");
  }

  PackageHeader header;
  header.builder_version = kBuilderVersion;
  header.flags = options.package_flags & ~kPackageFlagEncrypted;
  std::optional<Blowfish> cipher;
  if (options.cipher_key) {
    header.flags |= kPackageFlagEncrypted;
    header.cipher_key = *options.cipher_key;
    cipher.emplace(header.cipher_key);
  }
  header.script_key = PackageChecksum(options.script.data(), static_cast<int64_t>(options.script.size()));
  for (const PackedFile& file : files) header.entry_sizes.push_back(static_cast<int32_t>(file.size));

  const std::vector<uint8_t> script = StoredScript(options.script, header.script_key, options.preset, cipher ? &*cipher : nullptr);
  const uint32_t script_length = static_cast<uint32_t>(script.size());
  const uint64_t archive_offset = WritePackageHeader(header, script_length).size() + script.size();

  OutputFile out(options.output);
  out.Write(stub.BeforeSection());  // headers are rewritten once the section's size is known
  out.Write(WritePackageHeader(header, script_length));
  out.Write(script);

  const BlockPacking packing{true, options.preset, cipher ? &*cipher : nullptr};
  const uint64_t archive_minimum = options.archive_in_file ? stub.AlignedSectionSize(archive_offset) - archive_offset : 0;
  ArchiveOutput archive(out, archive_minimum, packing);
  WriteArchive(files, options, packing, archive);
  const ArchiveSummary summary = archive.Finish();
  if (archive_offset + summary.length > 0x7FFFFFFF) throw BuildError("the package is larger than 2 GiB");

  const uint32_t raw_size = stub.AlignedSectionSize(options.archive_in_file ? archive_offset : archive_offset + summary.length);
  if (!options.archive_in_file) out.WriteZeros(stub.SectionFileOffset() + uint64_t{raw_size} - out.Size());
  out.Write(stub.StubSignature());
  stub.AddSection(raw_size);

  header.package_length = static_cast<int32_t>(archive_offset + summary.length);
  header.archive_length = static_cast<int32_t>(summary.length);
  header.archive_checksum = summary.checksum;
  header.stub_checksum = StubChecksum(stub.BeforeSection(), stub.PeOffset());
  out.Patch(0, stub.BeforeSection());
  out.Patch(stub.SectionFileOffset(), WritePackageHeader(header, script_length));
  WritePeChecksum(out, stub);
  BuildSummary built{files.size(), 0, out.Size()};
  for (const PackedFile& file : files) built.input_bytes += file.size;
  out.Commit();
  return built;
}

}  // namespace valdorine::builder
