// delunins.bat: removes the uninstaller and its emptied folders once the uninstaller process has
// ended, then itself.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// What the batch removes (all wide).
struct SelfDeleteTargets {
  String uninstaller;       // the running uninstaller's full path (its module file name)
  String install_dir;       // the installation folder, without a trailing backslash
  String uninstall_subdir;  // the uninstall data folder relative to it; empty: none
};

// The batch's lines after the encoding line: a loop that deletes the uninstaller until its file is
// gone, a three-second pause, "rd" for the uninstall subfolder and each of its parents below the
// installation folder (deepest first, at most 50; none for a subfolder that is absolute or climbs
// with ".."), "rd" for the installation folder, then "del" of `batch_path` itself. Percent signs in
// the paths are doubled, so that the command interpreter reads them as they are.
String SelfDeleteBatchText(const SelfDeleteTargets& targets, const String& batch_path);

// Writes the batch to a new file "delunins-<random>.bat" in the temporary folder (its path in
// `written_path` when given) and starts it with the command interpreter in a hidden console,
// without waiting; when the interpreter cannot be started, the shell opens the file hidden. False,
// with nothing started, when the file cannot be written.
bool WriteSelfDeleteBatch(const SelfDeleteTargets& targets, String* written_path = nullptr);

}  // namespace valdorine
