// Calls into code that is not ours (a COM server's registration entry point, a type library, a
// driver's INF handling, the shell's link objects) can crash. A guarded call turns such a crash
// into a result the caller can log, and the run goes on.
//
// How: while a guarded call runs, a vectored exception handler watches the calling thread. A fault
// (access violation, illegal instruction, division by zero, stack overflow and the like) raised in
// code outside the system folder resumes the thread in a small function that jumps back to the
// guard's starting point. Faults inside the system's own libraries are left to their own handlers,
// which probe memory on purpose in places. What the crashed code allocated or locked stays so.
#pragma once

namespace valdorine {

// Runs `call(context)`; false when it crashed.
bool RunGuarded(void (*call)(void* context), void* context);

// The same for any callable.
template <typename Call>
bool RunGuarded(Call&& call) {
  return RunGuarded([](void* context) { (*static_cast<Call*>(context))(); }, &call);
}

}  // namespace valdorine
