# Collects the sources of one folder (and a platform subfolder) without listing them by hand, so that
# adding a module is adding its files.
function(valdorine_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

set(VALDORINE_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# Portable modules that live beside Windows-only ones in the installer's folders: they build for
# both flavours, so the builder shares them and the host tests and fuzz targets reach them.
set(VALDORINE_PORTABLE_MODULES
  src/installer/command_line.cpp
  src/operations/file_destination.cpp
  src/operations/overwrite_decision.cpp
  src/operations/shortcut_text.cpp
  src/paths/batch_text.cpp
  src/paths/os_code.cpp
  src/paths/path_completion.cpp
  src/paths/variable_tokens.cpp
  src/paths/version_parts.cpp
  src/run/exit_code.cpp
  src/uninstall/uninstall_data_text.cpp
)

# Portable code: strings and containers, the package format, checksums, ciphers and codecs.
function(valdorine_portable_library platform_dir)
  valdorine_sources(portable_sources src/core src/core/${platform_dir} src/format src/format/${platform_dir})
  list(TRANSFORM VALDORINE_PORTABLE_MODULES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE modules)
  list(APPEND portable_sources ${modules})
  add_library(valdorine_portable STATIC ${portable_sources})
  target_include_directories(valdorine_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(valdorine_portable PRIVATE ${VALDORINE_WARNINGS})
endfunction()
