// Opening the install package carried in the installer's own `.setup` section.
#pragma once

namespace valdorine {

// Finds and checks the package and prepares the installation. A missing or damaged package ends
// the run through the fatal display.
void LoadInstallPackage();

}  // namespace valdorine
