// The C++ allocation functions of the Windows programs go through the core library's allocator, so
// that an allocation that fails (a container that cannot grow) asks the memory releasers and then
// ends in the product's own out-of-memory report, never in an exception that nothing catches.
#include <cstddef>
#include <new>

#include "core/memory.hpp"

void* operator new(std::size_t size) { return valdorine::AllocateMemory(size); }
void* operator new[](std::size_t size) { return valdorine::AllocateMemory(size); }
void operator delete(void* block) noexcept { valdorine::FreeMemory(block); }
void operator delete[](void* block) noexcept { valdorine::FreeMemory(block); }
void operator delete(void* block, std::size_t) noexcept { valdorine::FreeMemory(block); }
void operator delete[](void* block, std::size_t) noexcept { valdorine::FreeMemory(block); }
