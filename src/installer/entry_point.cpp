// The installer's GUI entry point.
#include <windows.h>

#include "installer/startup.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { valdorine::RunInstaller(instance); }
