// The installer's GUI entry point.
#include <windows.h>

#include "package/startup.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { valdorine::RunInstaller(instance); }
