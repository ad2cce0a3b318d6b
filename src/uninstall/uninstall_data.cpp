// PLACEHOLDER (owner: uninstall-data helper) - replaced by the real module.
#include "uninstall/uninstall_data.hpp"
namespace valdorine {
UninstallSections& CollectedUninstallSections() { static UninstallSections sections; return sections; }
String UninstallDataPath() { return String(); }
bool WriteUninstallData() { return false; }
UninstallRecords ReadUninstallData(const String&) { return {}; }
}  // namespace valdorine
