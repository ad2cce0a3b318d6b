// A minimal install script for packages built from a plain file list: neutral settings, one
// language ("English") and an empty string table. The project file replaces it with the
// author's settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valdorine::builder {

struct TestScriptSettings {
  std::u16string product_name = u"Valdorine Test Product";
  uint32_t flag_word1 = 0;  // the compressed-archive bit is added by the writer
  uint32_t flag_word2 = 0;
  bool archive_in_file = false;
  uint32_t integrity_mode = 0;
  int32_t string_count = 200;  // covers every language string number the installer looks up
};

std::vector<uint8_t> WriteTestScript(const TestScriptSettings& settings);

}  // namespace valdorine::builder
