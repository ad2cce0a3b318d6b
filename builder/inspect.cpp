#include "inspect.hpp"

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "format/archive_reader.hpp"
#include "format/install_script.hpp"
#include "format/package_contents.hpp"
#include "format/package_header.hpp"
#include "format/pe_image.hpp"
#include "report.hpp"
#include "script_report.hpp"

namespace valdorine::builder {
namespace {

std::string Hex(uint64_t value) {
  std::ostringstream text;
  text << std::hex << std::showbase << value;
  return text.str();
}

void DescribeLocation(const SetupSection& section, const PackageView& package, Report& report) {
  const PackageHeader& header = package.header;
  Report& where = report.Add("section", Report::Object());
  where.Add("file_offset", Report::Text(Hex(section.file_offset)));
  where.Add("raw_size", Report::Text(Hex(section.raw_size)));
  where.Add("virtual_address", Report::Text(Hex(section.virtual_address)));
  where.Add("virtual_size", Report::Text(Hex(section.virtual_size)));
  Report& fields = report.Add("header", Report::Object());
  fields.Add("flags", Report::Text(Hex(header.flags)));
  fields.Add("script_key", Report::Text(Hex(header.script_key)));
  fields.Add("stub_checksum", Report::Text(Hex(header.stub_checksum)));
  fields.Add("archive_checksum", Report::Text(Hex(header.archive_checksum)));
  fields.Add("version", Report::Text(header.builder_version));
  fields.Add("script_length", Report::Number(uint64_t{package.script.size()}));
  fields.Add("package_length", Report::Number(int64_t{header.package_length}));
  fields.Add("entry_count", Report::Number(uint64_t{header.entry_sizes.size()}));
  fields.Add("archive_length", Report::Number(int64_t{header.archive_length}));
  report.Add("archive", Report::Object()).Add("offset", Report::Number(uint64_t{package.archive_offset}));
}

// The archive lies after the section exactly when the file ends with it (or its signature follows
// it).
bool ArchiveLiesInFile(std::span<const uint8_t> file, const SetupSection& section, const PackageView& package) {
  const uint64_t signature_start = SignatureStart(file, section.pe_offset, file.size());
  return CheckArchiveInFile(file.size(), section, package, signature_start) == PackageError::kNone;
}
PackageError LocateArchive(std::span<const uint8_t> file, std::span<const uint8_t> section_bytes,
                           const SetupSection& section, const PackageView& package, std::span<const uint8_t>& archive,
                           Report& report) {
  Report& where = *report.Find("archive");
  if (ArchiveLiesInFile(file, section, package)) {
    where.Add("in_file", Report::Number(int64_t{1}));
    archive = file.subspan(ArchiveFileOffset(section, package), static_cast<size_t>(package.header.archive_length));
    return PackageError::kNone;
  }
  where.Add("in_file", Report::Number(int64_t{0}));
  return ArchiveInSection(section_bytes, package, archive);
}

// Unpacks and reads the install script as the installer does (its checksum included).
PackageError ReadSettings(const PackageView& package, InstallScript& settings, Report& report) {
  std::vector<uint8_t> script;
  PackageError error = UnpackScript(package, script);
  if (error == PackageError::kNone) error = CheckScriptChecksum(script, package.header.script_key);
  if (error != PackageError::kNone) return error;
  const int code = ReadScript(script, settings);
  if (code != 0) return static_cast<PackageError>(code);
  Report& described = report.Add("script", DescribeScript(settings));
  described.Add("unpacked_length", Report::Number(uint64_t{script.size()}));
  return PackageError::kNone;
}

PackageError ListEntries(std::span<const uint8_t> file, std::span<const uint8_t> section_bytes,
                         const SetupSection& section, const PackageView& package, const InstallScript& settings,
                         Report& report) {
  std::span<const uint8_t> archive;
  PackageError error = LocateArchive(file, section_bytes, section, package, archive, report);
  if (error == PackageError::kNone) error = CheckArchiveChecksum(archive, package.header.archive_checksum);
  if (error != PackageError::kNone) return error;

  const std::optional<Blowfish> cipher = PackageCipher(package.header);
  ArchiveReader reader(archive, {(settings.ProductFlags.word1 & kScriptFlagCompressedArchive) != 0,
                                 cipher ? &*cipher : nullptr, package.header.entry_sizes});
  Report& entries = report.Add("entries", Report::Array());
  while (reader.HasNextEntry()) {
    FileEntry entry;
    error = reader.NextEntry(entry);
    if (error != PackageError::kNone) return error;
    entries.Add("", DescribeEntry(entry));
  }
  return reader.Finish();
}

// The setup without its package; an archive behind the section is left out as well.
PackageError WriteUninstallerImage(std::span<const uint8_t> file, const SetupSection& section,
                                   const PackageView& package, const std::filesystem::path& path) {
  const FileRange tail = UninstallerTail(section, package, ArchiveLiesInFile(file, section, package), file.size(),
                                         SignatureStart(file, section.pe_offset, file.size()));
  std::vector<uint8_t> image;
  if (!BuildUninstallerImage(file.first(section.file_offset), file.subspan(tail.offset, tail.length), section, image)) {
    return PackageError::kUninstallerImageRead;
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return PackageError::kNone;
}

// What an error means, for the person who ran inspect.
std::string ErrorSentence(const std::filesystem::path& setup, PackageError error) {
  const std::string name = setup.string();
  switch (error) {
    case PackageError::kPeHeaderOffset:
    case PackageError::kSectionCount:
      return name + " is not a setup executable: it is not a Windows executable";
    case PackageError::kNoPackage:
      return name + " is not a setup executable: it carries no package (no .setup section)";
    case PackageError::kVersionMismatch:
      return name + " was built for another version of the installer";
    default:
      return "the package in " + name + " is damaged (error code " + std::to_string(ErrorCode(error)) + ")";
  }
}

}  // namespace

int InspectSetup(const InspectRequest& request, std::ostream& out) {
  std::ifstream in(request.setup, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::span<const uint8_t> bytes(file);

  SetupSection section;
  PackageError error = LocateSetupSection(bytes.first(std::min(bytes.size(), pe::kMaxHeadersSize)), section);
  PackageView package;
  std::span<const uint8_t> section_bytes;
  if (error == PackageError::kNone && section.file_offset >= bytes.size()) error = PackageError::kSectionSeekFailed;
  if (error == PackageError::kNone) {
    section_bytes = bytes.subspan(section.file_offset);
    section_bytes = section_bytes.first(std::min<size_t>(section_bytes.size(), section.MappedSize()));
    error = ReadPackageHeader(section_bytes, package);
  }
  Report report = Report::Object();
  InstallScript settings;
  if (error == PackageError::kNone) {
    DescribeLocation(section, package, report);
    error = ReadSettings(package, settings, report);
  }
  if (error == PackageError::kNone && request.entries) {
    error = ListEntries(bytes, section_bytes, section, package, settings, report);
  }
  if (error == PackageError::kNone && !request.uninstaller_image.empty()) {
    error = WriteUninstallerImage(bytes, section, package, request.uninstaller_image);
  }
  if (error != PackageError::kNone) {
    report.Add("error", Report::Number(int64_t{ErrorCode(error)}));
    report.Add("problem", Report::Text(ErrorSentence(request.setup, error)));
  }
  if (request.json) {
    WriteJson(report, out);
  } else {
    WriteLines(report, out);
  }
  return error == PackageError::kNone ? 0 : 1;
}

}  // namespace valdorine::builder
