// Fuzzes the installer's command line: the bytes, taken as UTF-16 text, are split into atoms and
// interpreted into the run's switches, and a refused line gets its usage message.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "installer/command_line.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char16_t> text(size / 2 + 1, u'\0');
  std::memcpy(text.data(), data, size / 2 * 2);
  const valdorine::String line = valdorine::String::FromWide(text.data());
  valdorine::RunSwitches switches;
  const valdorine::String reason = valdorine::ApplyCommandLine(valdorine::SplitCommandLine(line), switches);
  if (!reason.IsEmpty()) valdorine::UsageText(reason, valdorine::String::FromWide(u"setup.exe"));
  return 0;
}
