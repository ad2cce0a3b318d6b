# The host flavour: the builder, the portable unit tests and the fuzz targets.

option(VALDORINE_SANITIZE "Build with AddressSanitizer and UBSan" ON)
option(VALDORINE_FUZZ "Build the fuzz targets of tests/fuzz (clang; see scripts/fuzz)" OFF)
if(VALDORINE_FUZZ)
  # The conventional switch of fuzzing builds: background jobs run on the caller's thread, so that
  # each input runs alone and the same way every time.
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_compile_definitions(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()
if(VALDORINE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

valdorine_portable_library(host)
target_link_libraries(valdorine_portable PUBLIC PkgConfig::LZMA Threads::Threads)

# The builder: a library of its modules, so that unit tests reach them, and the command around it.
valdorine_sources(builder_sources builder builder/languages)
list(FILTER builder_sources EXCLUDE REGEX "/builder/main\\.cpp$")
add_library(valdorine_builder INTERFACE)
target_link_libraries(valdorine_builder INTERFACE valdorine_portable)
if(builder_sources)
  add_library(valdorine_builder_modules STATIC ${builder_sources})
  target_compile_options(valdorine_builder_modules PRIVATE ${VALDORINE_WARNINGS})
  target_link_libraries(valdorine_builder_modules PUBLIC valdorine_portable)
  target_include_directories(valdorine_builder_modules PUBLIC ${PROJECT_SOURCE_DIR}/builder)
  target_link_libraries(valdorine_builder INTERFACE valdorine_builder_modules)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/builder/main.cpp)
  add_executable(valdorine-build builder/main.cpp)
  target_compile_options(valdorine-build PRIVATE ${VALDORINE_WARNINGS})
  target_link_libraries(valdorine-build PRIVATE valdorine_builder)
  # `cmake --install build/host --prefix PREFIX` puts the builder in PREFIX/bin and the stub of the
  # build tree's win32 flavour in PREFIX/share/valdorine, where the builder finds it by default.
  include(GNUInstallDirs)
  set(VALDORINE_STUB "${CMAKE_BINARY_DIR}/../win32/ValdorineSetup.exe" CACHE FILEPATH "the installer stub to install")
  install(TARGETS valdorine-build RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VALDORINE_STUB} DESTINATION ${CMAKE_INSTALL_DATADIR}/valdorine OPTIONAL)
endif()

valdorine_sources(portable_test_sources tests/unit tests/unit/host)
add_executable(unit_tests ${portable_test_sources})
target_link_libraries(unit_tests PRIVATE valdorine_builder GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)

if(VALDORINE_FUZZ)
  valdorine_sources(fuzz_sources tests/fuzz)
  foreach(source IN LISTS fuzz_sources)
    get_filename_component(target ${source} NAME_WE)
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE valdorine_builder)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
