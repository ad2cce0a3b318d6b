// `valdorine-build inspect`: prints where the package lies in a setup executable, its header
// fields and the install script's settings, one "name=value" line each or as one JSON object;
// with entries, also reads every file entry; with an image path, also writes the setup without
// its package, as the installer builds its uninstaller. Reads through the same code as the
// installer.
#pragma once

#include <filesystem>
#include <ostream>

namespace valdorine::builder {

// Returns 0 when the package reads without error, else 1 with "error=CODE" (an "error" member).
struct InspectRequest {
  std::filesystem::path setup;
  bool entries = false;
  bool json = false;  // one JSON object instead of name=value lines
  std::filesystem::path uninstaller_image;  // empty: none
};

int InspectSetup(const InspectRequest& request, std::ostream& out);

}  // namespace valdorine::builder
