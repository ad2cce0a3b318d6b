// PLACEHOLDER (owner: batch-files helper) - replaced by the real module.
#include "paths/batch_files.hpp"
namespace valdorine {
String CommandInterpreterPath() { return String(); }
bool RunBatch(const String&, bool, const String&) { return true; }
}  // namespace valdorine
