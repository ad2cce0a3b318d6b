// The install package's fixed values shared by the installer and the builder: magic, version,
// flag bits, limits and the numbered errors the container raises.
#pragma once

#include <cstdint>

namespace valdorine {

inline constexpr char kSetupSectionName[] = ".setup";
inline constexpr uint32_t kPackageMagic = 0xA4F23DE5;
inline constexpr char kBuilderVersion[] = "42.1.2";
inline constexpr char kProductTitle[] = "Valdorine Setup";

// Package flags (header field 3).
inline constexpr uint32_t kPackageFlagUninstallerImage = 0x20;
inline constexpr uint32_t kPackageFlagEncrypted = 0x1000;

// Install script flag word 1: archive blocks are xz-compressed.
inline constexpr uint32_t kScriptFlagCompressedArchive = 0x20;

// Integrity modes of the install script.
inline constexpr uint32_t kIntegrityStubChecksum = 1;
inline constexpr uint32_t kIntegritySignature = 2;

inline constexpr uint32_t kMaxScriptLength = 0x31FFFFF;
inline constexpr int32_t kMaxEntrySize = 0x40000000;
inline constexpr uint32_t kCipherKeyLength = 8;
// The stub checksum covers the installer's bytes from this offset after the PE header on, which
// leaves out the fields that adding the section changes (section count, sizes, PE checksum).
inline constexpr uint32_t kStubChecksumStart = 92;

// Destination kinds of a file entry that exist; 2, 3 and above 12 are refused.
inline constexpr uint32_t kMaxEntryKind = 12;
inline constexpr uint32_t kEntryKindMsiPackage = 11;
// Entry flags bits 0 and 1: a shortcut icon text follows.
inline constexpr uint32_t kEntryFlagsWithShortcutIcon = 0x3;

// What opening or reading the package can end with. The positive values are the codes shown in
// the corrupt-package message; the negative ones have messages of their own.
enum class PackageError : int {
  kNone = 0,
  kNoPackage = -1,
  kVersionMismatch = -2,
  kInstallerUnreadable = -3,  // the installer could not open its own file
  kArchiveUnreadable = -4,    // the archive could not be read from the file
  kSectionWithoutOffset = 9,
  kSectionSeekFailed = 10,
  kBadMagic = 20,
  kScriptLength = 22,
  kScriptChecksum = 25,
  kEntryCount = 27,
  kEntrySize = 28,
  kArchiveLength = 29,
  kSelfCheckRead = 35,
  kStubChecksum = 40,
  kUninstallerImageRead = 42,
  kPeHeaderOffset = 43,
  kSectionCount = 44,
  kPackageLength = 45,
  kArchiveLengthMismatch = 46,
  kScriptDecompression = 47,
  kArchiveChecksum = 55,
  kBlockDecode = 60,
  kBlockLength = 61,
  kBlockChecksum = 62,
  kBlockBeyondArchive = 63,
  kDeletionVersion = 65,  // a conditional deletion compares with a text that is no version
  kEntryWithoutName = 70,
  kEntryDataSizeNegative = 71,
  kEntryDataSizeTooLarge = 72,
  kEntryNameUnsafe = 73,     // a name that would leave its base folder (entry_name_check.hpp)
  kAppletWithoutName = 78,   // a control-panel applet entry with no name to show
  kAppletWithoutClass = 79,  // a control-panel applet entry without its class identifier
  kArchiveBytesLeft = 80,
  kQueuedBytesLeft = 83,
  kFirewallFields = 90,  // a firewall rule without exactly four fields
  kEntryDataChecksum = 100,
  kEntryKind = 110,
  kUninstallValueType = 200,  // an additional uninstall-key value of unknown type
  kSignatureBase = 1000,
};

inline int ErrorCode(PackageError error) { return static_cast<int>(error); }

}  // namespace valdorine
