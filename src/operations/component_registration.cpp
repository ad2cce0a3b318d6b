#include "operations/component_registration.hpp"

namespace valdorine {

void InstallInstallerPackage(const String&, uint32_t, bool) {}

void RegisterControlPanelApplet(const String&, const String&, const String&, const String&) {}

}  // namespace valdorine
