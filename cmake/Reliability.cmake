# Build variants that look for faults rather than ship: every target built
# with AddressSanitizer and UndefinedBehaviorSanitizer, and the libFuzzer
# targets of fuzz/. Included by the top-level CMakeLists.txt before any
# target is defined, so the flags reach every target.

option(KESTRANE_SANITIZE "Build every target with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KESTRANE_BUILD_FUZZERS "Build the libFuzzer targets in fuzz/ (needs clang++)" OFF)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # The fault checks read the IEEE exception flags after a stretch of
  # arithmetic. GCC keeps floating-point operations that may raise a flag
  # where they are written (-ftrapping-math is its default); clang only does
  # so when told, otherwise it may compute a quotient ahead of the test that
  # guards it and raise a flag the code never asked for.
  add_compile_options(-ffp-exception-behavior=maytrap)
endif()

# Which sanitizers KESTRANE_SANITIZE turns on. Every test and CI use the
# default; a long fuzzing run may trade AddressSanitizer for speed with
# "undefined" and replay its corpus in the default build afterwards.
set(KESTRANE_SANITIZERS "address,undefined" CACHE STRING "Sanitizers of KESTRANE_SANITIZE (-fsanitize=...)")

if(KESTRANE_SANITIZE)
  set(KESTRANE_SANITIZER_FLAGS -fsanitize=${KESTRANE_SANITIZERS} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${KESTRANE_SANITIZER_FLAGS})
  add_link_options(${KESTRANE_SANITIZER_FLAGS})
  # Bounds checks on every std::vector and std::string index: an index
  # within the storage but beyond the size is no heap overflow for ASan.
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()

if(KESTRANE_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KESTRANE_BUILD_FUZZERS needs clang++ (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  if(NOT KESTRANE_SANITIZE)
    message(FATAL_ERROR "KESTRANE_BUILD_FUZZERS needs KESTRANE_SANITIZE=ON: a fuzzer finds little without the sanitizers")
  endif()
  # Coverage feedback for the fuzzers from every library they link; the
  # executables of fuzz/ add the libFuzzer driver itself.
  add_compile_options(-fsanitize=fuzzer-no-link
                      -fsanitize-coverage-ignorelist=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/coverage-ignorelist.txt)
endif()
