// PLACEHOLDER (owner: deferred-operations helper) - replaced by the real module.
#include "uninstall/self_delete_batch.hpp"
namespace valdorine {
bool WriteSelfDeleteBatch() { return false; }
}  // namespace valdorine
