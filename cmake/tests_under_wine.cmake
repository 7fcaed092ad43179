# The tests of the Windows build (cmake/mingw-w64-x86_64.cmake), run on the
# build machine under wine. Included by tests/CMakeLists.txt in a cross
# build, in place of finding GoogleTest.
#
# - GoogleTest is built for the target from the sources that Debian's
#   libgtest-dev ships; the build machine's libraries are not for Windows.
# - Wine gets a prefix of its own in the build folder, made when the build
#   is, so that its first-start messages go to the build log and not to the
#   standard error of a test.
# - Each test asks for the fixture `wine`, which starts a persistent
#   wineserver and warms it up with one run; without it, every run with
#   captured output pays seconds for wine's start, and with it hundredths.
# - The end-to-end cases run the .exe through the same runner as on Linux,
#   built for the build machine by a native build of this project.

set(LICZNIK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources to build for the target (Debian: libgtest-dev)")
if(NOT EXISTS ${LICZNIK_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${LICZNIK_GTEST_SOURCE_DIR} (Debian: libgtest-dev)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${LICZNIK_GTEST_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(FATAL_ERROR "The toolchain names no emulator to run the tests with")
endif()
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 wine_program)
get_filename_component(wine_folder ${wine_program} DIRECTORY)
set(wine_server ${wine_folder}/wineserver)
set(wine_prefix ${CMAKE_BINARY_DIR}/wine-prefix)
set(wine_environment WINEPREFIX=${wine_prefix} WINEDEBUG=-all)

# Every program of the tests runs in that prefix: the targets made in this
# folder from here on take this emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${wine_environment} ${CMAKE_CROSSCOMPILING_EMULATOR})

add_custom_command(
  OUTPUT ${wine_prefix}/system.reg
  COMMAND ${CMAKE_COMMAND} -E env ${wine_environment} ${wine_program} wineboot --init
  COMMAND ${CMAKE_COMMAND} -E env ${wine_environment} ${wine_server} --wait
  COMMENT "Creating the wine prefix for the tests"
  VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS ${wine_prefix}/system.reg)

add_test(NAME wine_start
  COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine_session.sh start ${wine_server} ${wine_program}
          $<TARGET_FILE:licznik-wyrazow>)
add_test(NAME wine_stop COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine_session.sh stop ${wine_server})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}")
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${wine_environment}")

# For gtest_discover_tests: the first listing of a test program may start
# wine, which takes longer than the usual 5 s.
set(emulated_test_options DISCOVERY_TIMEOUT 60 PROPERTIES FIXTURES_REQUIRED wine)

# The end-to-end cases: the build machine's runner, built by a native build
# of this project in the folder `native`, runs the .exe under wine. The
# .exe writes CR LF for each line feed to a file or pipe, which the runner's
# --line-ends=crlf expects.
function(licznik_add_e2e_tests_under_emulator)
  include(ExternalProject)
  set(native_folder ${CMAKE_BINARY_DIR}/native)
  ExternalProject_Add(native_e2e_runner
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${native_folder}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${native_folder} --target e2e_tests
    BUILD_BYPRODUCTS ${native_folder}/tests/e2e_tests
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  add_executable(e2e_runner IMPORTED)
  set_target_properties(e2e_runner PROPERTIES
    IMPORTED_LOCATION ${native_folder}/tests/e2e_tests
    CROSSCOMPILING_EMULATOR "")
  add_dependencies(e2e_runner native_e2e_runner)
  gtest_discover_tests(e2e_runner DISCOVERY_MODE PRE_TEST ${emulated_test_options}
    EXTRA_ARGS --line-ends=crlf -- ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:licznik-wyrazow>)
endfunction()
