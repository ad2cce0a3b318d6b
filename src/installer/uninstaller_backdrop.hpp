// The uninstaller's background window: the backdrop of the installation, as its product key and
// the saved "Installer Background.bmp" describe it.
#pragma once

#include "core/string.hpp"
#include "core/win32/registry.hpp"

namespace valdorine {

// Shows the backdrop unless the run is silent or the product's options leave it out.
// `product_name` is the title when the stored title is blank.
void ShowUninstallerBackdrop(const RegKey& product_key, const String& product_name, const String& uninstall_dir);

}  // namespace valdorine
