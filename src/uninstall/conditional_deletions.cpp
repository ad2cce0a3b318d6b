// PLACEHOLDER (owner: deferred-operations helper) - replaced by the real module.
#include "uninstall/conditional_deletions.hpp"
namespace valdorine {
void RunConditionalDeletions(Array<FileDeletion>&, bool) {}
}  // namespace valdorine
