// PLACEHOLDER (owner: product-registration helper) - replaced by the real module.
#include "operations/product_registration.hpp"
namespace valdorine {
const UninstallerPlan& PlannedUninstaller() { static UninstallerPlan plan; return plan; }
void PrepareUninstaller(const InstallScript&) {}
void RegisterProduct(const InstallScript&) {}
}  // namespace valdorine
