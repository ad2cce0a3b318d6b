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
# The stub is downloaded with every product: optimise for size where speed does not suffer.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
add_compile_options(-ffunction-sections -fdata-sections)
# A self-contained executable: the C and C++ runtimes are linked in, so only system DLLs are
# imported. ASLR and DEP are on.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections
                 -Wl,--dynamicbase -Wl,--nxcompat)

valdorine_portable_library(win32)
# The Windows half of the core reaches the registry, the shell's folders and COM.
target_link_libraries(valdorine_portable PUBLIC lzma advapi32 shell32 ole32 uuid)

# The installer never throws or catches an exception (failures go through its fatal-error path), so
# its code is built without exception support and unwind tables: about 140 KB less in the stub. An
# exception from inside the C++ runtime still ends the program, as it would uncaught.
set(VALDORINE_NO_EXCEPTIONS -fno-exceptions -fno-asynchronous-unwind-tables)
target_compile_options(valdorine_portable PRIVATE ${VALDORINE_NO_EXCEPTIONS})

# Everything of the installer except its entry point, so that unit tests can link it.
valdorine_sources(installer_sources src/run src/package src/paths src/operations src/uninstall src/ui src/diagnostics src/installer)
list(FILTER installer_sources EXCLUDE REGEX "/src/installer/entry_point\\.cpp$")
list(TRANSFORM VALDORINE_PORTABLE_MODULES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE portable_modules)
list(REMOVE_ITEM installer_sources ${portable_modules})
add_library(valdorine_installer STATIC ${installer_sources})
target_compile_options(valdorine_installer PRIVATE ${VALDORINE_WARNINGS} ${VALDORINE_NO_EXCEPTIONS})
target_link_libraries(valdorine_installer PUBLIC valdorine_portable
  ole32 oleaut32 uuid shell32 shlwapi comctl32 comdlg32 advapi32 user32 gdi32)

add_executable(ValdorineSetup WIN32 src/installer/entry_point.cpp src/ui/resources/installer.rc)
target_compile_options(ValdorineSetup PRIVATE ${VALDORINE_WARNINGS} ${VALDORINE_NO_EXCEPTIONS})
target_link_libraries(ValdorineSetup PRIVATE valdorine_installer)
target_link_options(ValdorineSetup PRIVATE -municode -s)
set_source_files_properties(src/ui/resources/installer.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/src/ui/resources/installer.ico;${PROJECT_SOURCE_DIR}/src/ui/resources/installer.manifest")

# GoogleTest from Debian's source copy, built with this toolchain.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run)

# Unit tests: the portable suites once more against the Windows half of the core, and the Win32
# suites. One process per binary, since every Wine start is slow.
valdorine_sources(portable_test_sources tests/unit)
valdorine_sources(win32_test_sources tests/unit/win32)
add_executable(unit_tests ${portable_test_sources} ${win32_test_sources})
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
