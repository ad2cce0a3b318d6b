// Keeps the thread's last error across work that may change it (looking up attributes or texts
// after a failure), so that the caller still sees the error of the failure itself.
#pragma once

#include <windows.h>

namespace valdorine {

class LastErrorKeeper {
 public:
  LastErrorKeeper() : error_(GetLastError()) {}
  ~LastErrorKeeper() { SetLastError(error_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  DWORD error_;
};

}  // namespace valdorine
