// The builder's output read back through the installer's readers: a synthetic stub, a few input
// files, every combination of encryption and archive placement.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../support/entry_data_bytes.hpp"
#include "../support/test_stub.hpp"
#include "build_error.hpp"
#include "format/archive_reader.hpp"
#include "format/byte_reader.hpp"
#include "format/package_contents.hpp"
#include "format/pe_image.hpp"
#include "package_writer.hpp"
#include "test_script_writer.hpp"

namespace valdorine::builder {
namespace {

namespace fs = std::filesystem;
using valdorine::testing::MakeTestStub;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class BuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("valdorine-builder-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteFile(dir_ / "stub.exe", MakeTestStub());
    files_ = {{"empty.txt", 0}, {"small.txt", 100}, {"noise.bin", 70000}};
    for (auto& [name, size] : files_) {
      std::vector<uint8_t> data(size);
      uint32_t state = static_cast<uint32_t>(size);
      for (uint8_t& b : data) b = static_cast<uint8_t>((state = state * 1664525 + 1013904223) >> 24);
      WriteFile(dir_ / name, data);
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  BuildOptions Options(bool archive_in_file) {
    BuildOptions options;
    options.stub = dir_ / "stub.exe";
    options.output = dir_ / "setup.exe";
    for (auto& [name, size] : files_) options.files.push_back({dir_ / name, ""});
    TestScriptSettings script;
    script.archive_in_file = options.archive_in_file = archive_in_file;
    options.script = WriteTestScript(script);
    options.block_size = 4096;  // records span several blocks
    options.preset = 1;
    options.threads = 2;
    return options;
  }

  fs::path dir_;
  std::vector<std::pair<std::string, size_t>> files_;
};

// Reads a built setup the way the installer does and checks every part of it.
void ExpectReadable(const std::vector<uint8_t>& file, const BuildOptions& options, const fs::path& dir) {
  const std::span<const uint8_t> bytes(file);
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(bytes.first(std::min(bytes.size(), pe::kMaxHeadersSize)), section), PackageError::kNone);
  const auto mapped = bytes.subspan(section.file_offset, section.MappedSize());
  PackageView package;
  ASSERT_EQ(ReadPackageHeader(mapped, package), PackageError::kNone);
  EXPECT_EQ(package.header.Encrypted(), options.cipher_key.has_value());
  std::vector<uint8_t> script;
  ASSERT_EQ(UnpackScript(package, script), PackageError::kNone);
  EXPECT_EQ(script, options.script);
  EXPECT_EQ(CheckScriptChecksum(script, package.header.script_key), PackageError::kNone);
  const auto before_section = bytes.first(section.file_offset);
  EXPECT_EQ(CheckStubChecksum(before_section, section, package.header.stub_checksum), PackageError::kNone);
  // The loader and signing tools check the PE checksum of the whole output.
  PeChecksum pe_checksum(section.pe_offset + pe::kChecksum);
  pe_checksum.Add(bytes);
  EXPECT_EQ(ByteReader::LoadU32(bytes.subspan(section.pe_offset + pe::kChecksum, 4)), pe_checksum.Result());

  std::span<const uint8_t> archive;
  if (options.archive_in_file) {
    ASSERT_EQ(CheckArchiveInFile(file.size(), section, package, file.size()), PackageError::kNone);
    archive = bytes.subspan(ArchiveFileOffset(section, package));
  } else {
    ASSERT_EQ(ArchiveInSection(mapped, package, archive), PackageError::kNone);
  }
  ASSERT_EQ(CheckArchiveChecksum(archive, package.header.archive_checksum), PackageError::kNone);
  const auto cipher = PackageCipher(package.header);
  ArchiveReader reader(archive, {true, cipher ? &*cipher : nullptr, package.header.entry_sizes});
  for (const InputFile& input : options.files) {
    FileEntry entry;
    ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone);
    EXPECT_EQ(entry.name, input.source.filename().string());
    EXPECT_TRUE(entry.date.IsSet());
    EXPECT_TRUE(std::ranges::equal(valdorine::testing::EntryDataBytes(reader.Data()), ReadFile(input.source))) << entry.name;
  }
  EXPECT_EQ(reader.Finish(), PackageError::kNone);

  // Without its section the setup is the stub again, but for the PE checksum field.
  std::vector<uint8_t> image;
  const FileRange tail = UninstallerTail(section, package, options.archive_in_file, file.size(), file.size());
  ASSERT_TRUE(BuildUninstallerImage(before_section, bytes.subspan(tail.offset, tail.length), section, image));
  std::vector<uint8_t> stub = ReadFile(dir / "stub.exe");
  std::fill_n(image.begin() + section.pe_offset + pe::kChecksum, 4, 0);
  std::fill_n(stub.begin() + section.pe_offset + pe::kChecksum, 4, 0);
  EXPECT_EQ(image, stub);
}

TEST_F(BuilderTest, OutputReadsBackInEveryLayout) {
  for (bool archive_in_file : {false, true}) {
    for (bool encrypted : {false, true}) {
      BuildOptions options = Options(archive_in_file);
      if (encrypted) options.cipher_key = std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
      BuildSetup(options);
      SCOPED_TRACE(::testing::Message() << "in file " << archive_in_file << ", encrypted " << encrypted);
      ExpectReadable(ReadFile(options.output), options, dir_);
    }
  }
}

TEST_F(BuilderTest, TinyArchiveAfterTheSectionStillFillsTheSectionsRawData) {
  BuildOptions options = Options(true);
  options.files = {options.files[1]};  // 100 bytes: far less than the section's alignment
  BuildSetup(options);
  ExpectReadable(ReadFile(options.output), options, dir_);
}

TEST_F(BuilderTest, AnEmptyArchiveIsReadable) {
  BuildOptions options = Options(false);
  options.files.clear();
  BuildSetup(options);
  ExpectReadable(ReadFile(options.output), options, dir_);
  options.archive_in_file = true;  // nothing could fill the section's raw data after it
  EXPECT_THROW(BuildSetup(options), BuildError);
}

TEST_F(BuilderTest, OutputIsReproducibleWhateverTheThreadCount) {
  BuildOptions options = Options(false);
  options.threads = 1;
  BuildSetup(options);
  const std::vector<uint8_t> first = ReadFile(options.output);
  options.threads = 3;
  BuildSetup(options);
  EXPECT_EQ(ReadFile(options.output), first);
}

TEST_F(BuilderTest, FailureNamesTheInputAndLeavesNoOutput) {
  std::vector<uint8_t> signed_stub = MakeTestStub();
  signed_stub.push_back(0);  // data after the last section
  WriteFile(dir_ / "signed.exe", signed_stub);
  std::vector<uint8_t> crowded_stub = MakeTestStub();
  crowded_stub[testing::kTestPeOffset + 24 + 0xE0 + 4 * 40] = 1;  // something right after the table
  WriteFile(dir_ / "crowded.exe", crowded_stub);
  fs::create_directories(dir_ / "folder");

  struct Case {
    std::function<void(BuildOptions&)> change;
    std::string named;
  };
  const Case cases[] = {
      {[&](BuildOptions& o) { o.files.push_back({dir_ / "missing.txt", ""}); }, "missing.txt"},
      {[&](BuildOptions& o) { o.files.push_back({dir_ / "folder", ""}); }, "folder"},
      {[&](BuildOptions& o) { o.stub = dir_ / "small.txt"; }, "small.txt"},
      {[&](BuildOptions& o) { o.stub = dir_ / "signed.exe"; }, "signed.exe"},
      {[&](BuildOptions& o) { o.stub = dir_ / "crowded.exe"; }, "crowded.exe"},
  };
  for (const Case& c : cases) {
    BuildOptions options = Options(false);
    c.change(options);
    try {
      BuildSetup(options);
      ADD_FAILURE() << "built despite " << c.named;
    } catch (const BuildError& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(options.output));
    EXPECT_FALSE(fs::exists(dir_ / "setup.exe.partial"));
  }
}

// The uninstaller image of `setup` as the installer builds it: up to the setup's own signature.
std::vector<uint8_t> ImageOf(const std::vector<uint8_t>& setup) {
  SetupSection section;
  PackageView package;
  EXPECT_EQ(LocateSetupSection(setup, section), PackageError::kNone);
  EXPECT_EQ(ReadPackageHeader(std::span(setup).subspan(section.file_offset, section.MappedSize()), package),
            PackageError::kNone);
  const FileRange tail = UninstallerTail(section, package, false, setup.size(),
                                         SignatureStart(setup, section.pe_offset, setup.size()));
  std::vector<uint8_t> image;
  EXPECT_TRUE(BuildUninstallerImage(std::span(setup).first(section.file_offset),
                                    std::span(setup).subspan(tail.offset, tail.length), section, image));
  return image;
}

TEST_F(BuilderTest, SignedStubAndSignedSetupKeepTheirChecksAndTheStubsSignature) {
  // A signed stub is accepted; the setup, signed afterwards, passes its stub checksum, and its
  // uninstaller is the signed stub byte for byte. An unsigned stub gives an unsigned uninstaller.
  for (const bool stub_signed : {true, false}) {
    std::vector<uint8_t> stub = MakeTestStub();
    if (stub_signed) valdorine::testing::SignTestFile(stub, 0x40);
    WriteFile(dir_ / "stub.exe", stub);
    const BuildOptions options = Options(false);
    BuildSetup(options);
    std::vector<uint8_t> setup = ReadFile(options.output);
    ExpectReadable(setup, options, dir_);
    valdorine::testing::SignTestFile(setup, 0x80);

    SetupSection section;
    ASSERT_EQ(LocateSetupSection(setup, section), PackageError::kNone);
    PackageView package;
    ASSERT_EQ(ReadPackageHeader(std::span(setup).subspan(section.file_offset, section.MappedSize()), package),
              PackageError::kNone);
    EXPECT_EQ(CheckStubChecksum(std::span(setup).first(section.file_offset), section, package.header.stub_checksum),
              PackageError::kNone) << stub_signed;
    std::vector<uint8_t> image = ImageOf(setup);
    if (!stub_signed) std::fill_n(image.begin() + section.pe_offset + pe::kChecksum, 4, 0);
    EXPECT_EQ(image, stub) << stub_signed;
  }
  // Any change to the signed setup's headers outside the fields that signing sets still counts.
  std::vector<uint8_t> setup = ReadFile(Options(false).output);
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(setup, section), PackageError::kNone);
  PackageView package;
  ASSERT_EQ(ReadPackageHeader(std::span(setup).subspan(section.file_offset, section.MappedSize()), package),
            PackageError::kNone);
  setup[*CertificateDirectory(setup, section.pe_offset) + 8] ^= 1;  // the next directory entry
  EXPECT_EQ(CheckStubChecksum(std::span(setup).first(section.file_offset), section, package.header.stub_checksum),
            PackageError::kStubChecksum);
}

TEST_F(BuilderTest, ASignedStubWithTheArchiveAfterTheSectionIsRefused) {
  std::vector<uint8_t> stub = MakeTestStub();
  valdorine::testing::SignTestFile(stub, 0x40);
  WriteFile(dir_ / "stub.exe", stub);
  EXPECT_THROW(BuildSetup(Options(true)), BuildError);
  stub.push_back(0);  // bytes after the table: not a signature
  WriteFile(dir_ / "stub.exe", stub);
  EXPECT_THROW(BuildSetup(Options(false)), BuildError);
}

TEST_F(BuilderTest, AStubThatAlreadyCarriesAPackageIsRefused) {
  BuildOptions options = Options(false);
  BuildSetup(options);
  options.stub = options.output;
  options.output = dir_ / "again.exe";
  EXPECT_THROW(BuildSetup(options), BuildError);
}

}  // namespace
}  // namespace valdorine::builder
