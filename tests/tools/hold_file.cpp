// hold-file: keeps a file open without sharing, as a program that uses it would, until it is ended.
// End-to-end scenarios run it under Wine in the scenario's prefix.
//
//   hold-file.exe FILE READY
//
// Opens FILE for reading and writing with no sharing at all, then creates READY so that the
// scenario knows the file is held, and waits until it is killed. Exit codes: 2 bad arguments,
// 3 FILE cannot be opened, 4 READY cannot be created.

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 4;
  CloseHandle(ready);
  Sleep(INFINITE);  // the file stays held until the process is ended, which closes it
  return 0;
}
