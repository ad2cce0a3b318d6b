#include "package/orderly_exit.hpp"

#include <ole2.h>
#include <windows.h>

namespace valdorine {

void OrderlyExit(int exit_code) {
  OleUninitialize();
  ExitProcess(static_cast<UINT>(exit_code));
}

}  // namespace valdorine
