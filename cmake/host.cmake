# The host flavour: the builder, the portable unit tests and the fuzz targets.

option(VALDORINE_SANITIZE "Build with AddressSanitizer and UBSan" ON)
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
valdorine_sources(builder_sources builder)
list(FILTER builder_sources EXCLUDE REGEX "/builder/main\\.cpp$")
add_library(valdorine_builder INTERFACE)
target_link_libraries(valdorine_builder INTERFACE valdorine_portable)
if(builder_sources)
  add_library(valdorine_builder_modules STATIC ${builder_sources})
  target_compile_options(valdorine_builder_modules PRIVATE ${VALDORINE_WARNINGS})
  target_link_libraries(valdorine_builder_modules PUBLIC valdorine_portable)
  target_link_libraries(valdorine_builder INTERFACE valdorine_builder_modules)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/builder/main.cpp)
  add_executable(valdorine-build builder/main.cpp)
  target_compile_options(valdorine-build PRIVATE ${VALDORINE_WARNINGS})
  target_link_libraries(valdorine-build PRIVATE valdorine_builder)
endif()

valdorine_sources(portable_test_sources tests/unit tests/unit/host)
add_executable(unit_tests ${portable_test_sources})
target_link_libraries(unit_tests PRIVATE valdorine_builder GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
