// Calls into code that is not ours (a COM server's registration entry point, a type library, a
// driver's INF handling, the shell's link objects) can crash. A guarded call turns such a crash
// into a result the caller can log, and the run goes on.
//
// How: while a guarded call runs, a vectored exception handler watches the calling thread. A fault
// (access violation, illegal instruction, division by zero, stack overflow and the like) raised in
// a module that the call itself loaded, or outside every module, resumes the thread in a small
// function that jumps back to the guard's starting point. Faults in the modules that were loaded
// before (the system's libraries, this program) are left to their own handlers: the system probes
// memory on purpose in places. What the crashed code allocated or locked stays so.
#pragma once

#include <type_traits>

namespace valdorine {

// Runs `call(context)`; false when it crashed.
bool RunGuarded(void (*call)(void* context), void* context);

// The same for any callable.
template <typename Call>
bool RunGuarded(Call&& call) {
  return RunGuarded([](void* context) { (*static_cast<std::remove_reference_t<Call>*>(context))(); }, &call);
}

}  // namespace valdorine
