// Fuzzes the install script reader. A script that reads must also write, and what is written must
// read back to the same record: the writer is the reader's inverse.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/install_script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  valdorine::InstallScript script;
  valdorine::ScriptReadEnvironment environment;
  environment.silent_mode = size > 0 && (data[0] & 1) != 0;
  if (valdorine::ReadScript(std::span(data, size), script, environment) != 0) return 0;
  std::vector<uint8_t> written;
  if (valdorine::WriteScript(script, written) != 0) __builtin_trap();
  valdorine::InstallScript again;
  if (valdorine::ReadScript(written, again) != 0) __builtin_trap();
  std::vector<uint8_t> rewritten;
  if (valdorine::WriteScript(again, rewritten) != 0 || rewritten != written) __builtin_trap();
  return 0;
}
