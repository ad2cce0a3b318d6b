// PLACEHOLDER (owner: deferred-operations helper) - replaced by the real module.
#include "uninstall/deferred_operations.hpp"
namespace valdorine {
bool DeleteAtRestart(const String&) { return false; }
bool ReplaceAtRestart(const String&, const String&) { return false; }
bool AddWininitRename(const String&, const String&) { return false; }
void CleanPendingOperations(const PathSet&, bool) {}
}  // namespace valdorine
