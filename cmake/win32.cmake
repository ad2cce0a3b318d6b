# The Windows flavour: the installer stub, its unit tests (run under Wine) and the test tools.

set(deps_prefix ${PROJECT_SOURCE_DIR}/.deps/mingw-${CMAKE_SYSTEM_PROCESSOR})
if(NOT EXISTS ${deps_prefix}/lib/liblzma.a)
  message(FATAL_ERROR "liblzma for mingw-w64 is missing: run scripts/bootstrap first")
endif()
add_library(lzma STATIC IMPORTED)
set_target_properties(lzma PROPERTIES
  IMPORTED_LOCATION ${deps_prefix}/lib/liblzma.a
  INTERFACE_INCLUDE_DIRECTORIES ${deps_prefix}/include
  INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)

# Unicode everywhere, Windows 7 as the oldest API level, no min/max macros.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# The stub is downloaded with every product: optimise for size where speed does not suffer. Every
# byte of the payload passes through the checksum and cipher loops, which keep -O2; xz decoding is
# liblzma's own, built for speed.
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set_source_files_properties(
  ${PROJECT_SOURCE_DIR}/src/core/checksum.cpp ${PROJECT_SOURCE_DIR}/src/format/checksum_accumulator.cpp
  ${PROJECT_SOURCE_DIR}/src/format/blowfish.cpp
  PROPERTIES COMPILE_OPTIONS -O2)
add_compile_options(-ffunction-sections -fdata-sections)
# A self-contained executable: the C and C++ runtimes are linked in, so only system DLLs are
# imported. ASLR and DEP are on.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections
                 -Wl,--dynamicbase -Wl,--nxcompat)
# The C++ runtime's default terminate handler names the type of the exception in flight, which
# links its demangler and the formatted-output library (about 90 KB). The installer throws no
# exceptions, and one from inside the runtime ends the process either way: the handler is abort.
# (32-bit symbol names carry a leading underscore.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(symbol_prefix _)
endif()
add_link_options(-Wl,--defsym,${symbol_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${symbol_prefix}abort)

valdorine_portable_library(win32)
# The Windows half of the core reaches the registry, the shell's folders and COM.
target_link_libraries(valdorine_portable PUBLIC lzma advapi32 shell32 ole32 uuid)

# The installer never throws or catches an exception (failures go through its fatal-error path) and
# never asks for a type at run time, so its code is built without exception support, unwind tables
# and type information: about 140 KB less in the stub. The runtime's hooks that would throw are the
# installer's own (installer/runtime_hooks.cpp).
set(VALDORINE_NO_EXCEPTIONS -fno-exceptions -fno-asynchronous-unwind-tables -fno-rtti)
target_compile_options(valdorine_portable PRIVATE ${VALDORINE_NO_EXCEPTIONS})

# Everything of the installer except its entry point, so that unit tests can link it.
valdorine_sources(installer_sources src/run src/package src/paths src/operations src/uninstall src/ui src/diagnostics src/installer)
# The entry point, the build variant and the runtime hooks belong to each executable
# (installer/build_variant.hpp); the unit tests keep the runtime's own hooks, which GoogleTest needs.
list(FILTER installer_sources EXCLUDE REGEX "/src/installer/(entry_point|build_variant|runtime_hooks)\\.cpp$")
list(TRANSFORM VALDORINE_PORTABLE_MODULES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE portable_modules)
list(REMOVE_ITEM installer_sources ${portable_modules})
add_library(valdorine_installer STATIC ${installer_sources})
target_compile_options(valdorine_installer PRIVATE ${VALDORINE_WARNINGS} ${VALDORINE_NO_EXCEPTIONS})
target_link_libraries(valdorine_installer PUBLIC valdorine_portable
  ole32 oleaut32 uuid shell32 shlwapi comctl32 comdlg32 advapi32 user32 gdi32 ws2_32)

# The maker's problem-report endpoint ("http://..."); without one the crash dialog offers no report.
set(VALDORINE_PROBLEM_REPORT_URL "" CACHE STRING "Endpoint that receives crash reports")

# The shipped installer, and its crash-test build for the scenarios (installer/build_variant.hpp).
function(valdorine_installer_executable name)
  add_executable(${name} WIN32 src/installer/entry_point.cpp src/installer/build_variant.cpp
                 src/installer/runtime_hooks.cpp src/ui/resources/installer.rc)
  target_compile_options(${name} PRIVATE ${VALDORINE_WARNINGS} ${VALDORINE_NO_EXCEPTIONS})
  target_link_libraries(${name} PRIVATE valdorine_installer)
  target_link_options(${name} PRIVATE -municode -s)
endfunction()
valdorine_installer_executable(ValdorineSetup)
if(VALDORINE_PROBLEM_REPORT_URL)
  target_compile_definitions(ValdorineSetup PRIVATE "VALDORINE_PROBLEM_REPORT_URL=\"${VALDORINE_PROBLEM_REPORT_URL}\"")
endif()
valdorine_installer_executable(ValdorineSetupCrashTest)
target_compile_definitions(ValdorineSetupCrashTest PRIVATE VALDORINE_CRASH_TEST)
# The resource script includes the others in its folder, with the icon, bitmaps and manifest.
file(GLOB installer_resources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/ui/resources/*)
set_source_files_properties(src/ui/resources/installer.rc PROPERTIES OBJECT_DEPENDS "${installer_resources}")

# GoogleTest from Debian's source copy, built with this toolchain.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run)

# Unit tests: the portable suites once more against the Windows half of the core, and the Win32
# suites. One process per binary, since every Wine start is slow.
valdorine_sources(portable_test_sources tests/unit)
valdorine_sources(win32_test_sources tests/unit/win32)
add_executable(unit_tests ${portable_test_sources} ${win32_test_sources} src/installer/build_variant.cpp)
target_link_libraries(unit_tests PRIVATE valdorine_installer gtest_main)
add_test(NAME unit_tests_win32 COMMAND unit_tests --gtest_brief=1)

# Test tools that scenarios run beside the installer under Wine.
add_executable(dialog-driver tests/tools/dialog_driver.cpp)
target_compile_options(dialog-driver PRIVATE ${VALDORINE_WARNINGS})
target_link_libraries(dialog-driver PRIVATE user32 gdi32)
target_link_options(dialog-driver PRIVATE -municode)
add_executable(hold-file tests/tools/hold_file.cpp)
target_compile_options(hold-file PRIVATE ${VALDORINE_WARNINGS})
target_link_options(hold-file PRIVATE -municode)

# The firewall manager's stand-in that the firewall scenario registers in its prefix.
add_library(firewall-recorder SHARED tests/tools/firewall_recorder.cpp)
set_target_properties(firewall-recorder PROPERTIES PREFIX "")
target_compile_options(firewall-recorder PRIVATE ${VALDORINE_WARNINGS})
target_link_libraries(firewall-recorder PRIVATE ole32 oleaut32 uuid)
# The 32-bit exports keep their plain names (no "@12"), as COM looks them up.
target_link_options(firewall-recorder PRIVATE -Wl,--kill-at)
