// The unit tests exhaust memory on purpose to test the out-of-memory report: the address
// sanitizer lets such an allocation fail (return null) instead of ending the process itself.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
