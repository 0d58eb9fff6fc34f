# Build helpers shared by every folder. A folder is one static library made of
# the .cpp files directly inside it; its tests are the .cpp files in tests/.

set(MOVU_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/scripts/lsan.supp)
set(MOVU_UBSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/scripts/ubsan.supp)
# LP_NUM_THREADS=0: Mesa's software renderer draws on the calling thread. Its worker threads
# still running at exit can crash LeakSanitizer's final check, and one thread is plenty for
# test-sized frames.
# intercept_tls_get_addr=0: Mesa's driver is loaded with dlopen, and the bounds the leak check
# records for its thread-local blocks can be garbage; the check's tracer then crashes after a
# passing test ("Tracer caught signal 11"), depending only on how the binary happens to be laid
# out. Nothing of ours lives in such blocks, so the check loses nothing by skipping them.
# MOVUROUTE_FATAL_CRITICALS=1: the web engine makes every GLib or GTK critical of the test's own
# process, and every invalid cast GObject warns of, abort it (WebKitRuntime.h), so a WebKit test
# that passes raised none. The engine's other processes are not WebKit's to be told.
set(MOVU_TEST_ENV
  "LP_NUM_THREADS=0"
  "MOVUROUTE_FATAL_CRITICALS=1"
  "ALSOFT_DRIVERS=null"
  "SDL_AUDIODRIVER=dummy"
  "LSAN_OPTIONS=suppressions=${MOVU_LSAN_SUPPRESSIONS}:print_suppressions=0"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_init_order=1:intercept_tls_get_addr=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${MOVU_UBSAN_SUPPRESSIONS}")

# movu_library(<target> [DEPS <targets/libs>...] [PUBLIC_DEPS ...] [SOURCES <extra files>...]
#              [ONLY <files>...] [EXCLUDE <files>...])
# ONLY names the folder's files that make the library instead of all of them; EXCLUDE leaves
# files out (a folder split into a small library and a larger one that uses it).
function(movu_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_DEPS;SOURCES;ONLY;EXCLUDE" ${ARGN})
  if(ARG_ONLY)
    list(TRANSFORM ARG_ONLY PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  list(APPEND sources ${ARG_SOURCES})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_DEPS})
endfunction()

# movu_tests(<library target> [DEPS ...]): one GoogleTest executable per
# library, each test case registered with CTest.
function(movu_tests target)
  if(NOT MOVU_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(exe ${target}_tests)
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${target} ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${exe} PRIVATE MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}" MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # The environment rides along as an "emulator" so that discovery and every
  # test run see it, also when ctest is called by hand.
  # ENABLE_EXPORTS (-rdynamic): crash reports name the frames of the executable itself.
  set_target_properties(${exe} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${MOVU_TEST_ENV}"
                                          ENABLE_EXPORTS ON)
  # Listing a sanitizer build's tests takes a second or so, but many times that on a machine
  # still busy with the link that made it: the 5 s default once failed a whole run.
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT 120)
endfunction()

# movu_webkit_tests(<exe> SOURCES <files...> DEPS <targets...> [NEEDS <targets...>]
#                   [ENV <variables...>] [TIMEOUT <seconds>] [OWN_MAIN] [SERIAL <filter>]
#                   [TWO_CORES <filter>])
# A GoogleTest executable of tests on real WebKit: label "webkit", which scripts/test runs under
# xvfb-run with a display of its own. The web process's extension (and NEEDS) are built first;
# every test runs with the test environment (or ENV instead). OWN_MAIN: the sources bring main.
# SERIAL: the tests that the GoogleTest filter names run while no other test does (a test whose
# processes run at a low priority would leave the cores to the tests beside it).
# TWO_CORES: the tests the filter names pin themselves to the machine's first two cores
# (platform/testing/WebProcesses.h): no two of them run at once, and each counts as two of
# ctest's -j slots.
function(movu_webkit_tests exe)
  if(NOT MOVU_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "OWN_MAIN" "TIMEOUT;SERIAL;TWO_CORES" "SOURCES;DEPS;NEEDS;ENV" ${ARGN})
  set(main GTest::gtest_main)
  if(ARG_OWN_MAIN)
    set(main GTest::gtest)
  endif()
  set(env ${MOVU_TEST_ENV})
  if(ARG_ENV)
    set(env ${ARG_ENV})
  endif()
  set(timeout 120)
  if(ARG_TIMEOUT)
    set(timeout ${ARG_TIMEOUT})
  endif()
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} GTest::gmock ${main})
  add_dependencies(${exe} movuroute_webext ${ARG_NEEDS})
  target_compile_definitions(${exe} PRIVATE MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${exe} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
  set(apart "")
  if(ARG_SERIAL)
    list(APPEND apart "${ARG_SERIAL}")
    gtest_discover_tests(${exe}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      TEST_FILTER "${ARG_SERIAL}"
      PROPERTIES TIMEOUT ${timeout} LABELS webkit RUN_SERIAL TRUE)
  endif()
  if(ARG_TWO_CORES)
    # Not the serial ones again: a test is discovered by one call only.
    set(twoCores "${ARG_TWO_CORES}")
    if(ARG_SERIAL)
      set(twoCores "${ARG_TWO_CORES}-${ARG_SERIAL}")
    endif()
    list(APPEND apart "${ARG_TWO_CORES}")
    gtest_discover_tests(${exe}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      TEST_FILTER "${twoCores}"
      PROPERTIES TIMEOUT ${timeout} LABELS webkit RESOURCE_LOCK first_two_cores PROCESSORS 2)
  endif()
  set(rest "")
  if(apart)
    list(JOIN apart ":" apartText)
    set(rest "-${apartText}")
  endif()
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    TEST_FILTER "${rest}"
    PROPERTIES TIMEOUT ${timeout} LABELS webkit)
endfunction()

# movu_bench(<name> <sources...> DEPS ...)
function(movu_bench name)
  if(NOT MOVU_BENCH)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
endfunction()

# movu_fuzz(<name> <sources...> DEPS <targets...> [SEEDS <folders...>])
# A libFuzzer target fuzz_<name>. Its seed corpus is fuzz/corpus/<name>/ (written by
# tools/make_fuzz_seeds.py), the inputs of crashes found and mended in fuzz/regressions/<name>/,
# plus the SEEDS folders (fixtures the tests already use). In the clang fuzz build
# (MOVU_FUZZ=ON) it is a libFuzzer binary, and scripts/fuzz reads the seed list from
# <build>/fuzz/<name>.seeds. Every other build with tests makes the same target with a plain
# driver (fuzz/RegressionMain.cpp) and registers it with CTest as fuzz.<name>: each seed once and
# a fixed number of mutations of them from a fixed seed. So the suite needs no second compiler
# build; only real fuzzing does.
set(MOVU_FUZZ_REGRESSION_MUTATIONS 2000 CACHE STRING
    "Mutated inputs each fuzz target's test runs after its seeds")
function(movu_fuzz name)
  cmake_parse_arguments(ARG "" "" "DEPS;SEEDS" ${ARGN})
  set(exe fuzz_${name})
  set(seeds ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name} ${ARG_SEEDS})
  if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
    list(APPEND seeds ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
  endif()
  if(MOVU_FUZZ)
    add_executable(${exe} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${exe} PRIVATE ${ARG_DEPS})
    target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_all ${exe})
    list(JOIN seeds "\n" seedText)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz/${name}.seeds "${seedText}\n")
  elseif(MOVU_TESTS)
    add_executable(${exe} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${exe} PRIVATE fuzz_regression_main ${ARG_DEPS})
    add_test(NAME fuzz.${name}
      COMMAND ${exe} --mutations ${MOVU_FUZZ_REGRESSION_MUTATIONS} --seed 1 ${seeds})
    set_tests_properties(fuzz.${name} PROPERTIES
      ENVIRONMENT "${MOVU_TEST_ENV}" TIMEOUT 300 LABELS fuzz)
  endif()
endfunction()
