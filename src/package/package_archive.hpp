// The archive of the installer's package as the file phase reads it: from the loader's mapping of
// the section, or read from the file behind it (ArchiveInFile), checked as a whole, then entry by
// entry through the archive reader.
#pragma once

#include <optional>
#include <vector>

#include "format/archive_reader.hpp"
#include "format/blowfish.hpp"
#include "package/package_reader.hpp"

namespace valdorine {

class PackageArchive {
 public:
  // Locates the archive (46; kArchiveUnreadable when the file read fails) and checks its
  // checksum (55).
  PackageError Open(InstallPackage& package, const PackageSettings& settings);

  bool HasNextEntry() const { return reader_ && reader_->HasNextEntry(); }
  // The next entry's fields; its data follows through Data() until the next call.
  PackageError NextEntry(FileEntry& entry) { return reader_->NextEntry(entry); }
  EntryData& Data() { return reader_->Data(); }
  // Reads what the installation left of the entry's data, checking its checksum (100).
  PackageError SkipData() { return reader_->SkipData(); }
  // After the last entry: 80, 83.
  PackageError Finish() { return reader_->Finish(); }

 private:
  std::vector<uint8_t> from_file_;  // the archive when it lies behind the section
  std::optional<Blowfish> cipher_;
  std::optional<ArchiveReader> reader_;
};

}  // namespace valdorine
