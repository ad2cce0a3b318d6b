// PLACEHOLDER (owner: uninstall-data helper) - replaced by the real module.
#include "uninstall/uninstall_list.hpp"
namespace valdorine {
bool RecordUninstallEntry(const String&, int) { return false; }
void ClearUninstallList() {}
const String& UninstallListText() { static String text; return text; }
}  // namespace valdorine
