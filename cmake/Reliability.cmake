# Sanitizer and fuzzing builds.  Each belongs in its own build folder (scripts/test-sanitizers.sh,
# scripts/fuzz.sh set them up).
#
#   TONEDOT_SANITIZE=address,undefined   AddressSanitizer with UndefinedBehaviorSanitizer
#   TONEDOT_SANITIZE=thread              ThreadSanitizer
#   TONEDOT_BUILD_FUZZ=ON                libFuzzer targets in fuzz/ (clang only)
#
# The flags are set for every target of the project, so the effect, the stand-in host and
# the tests are all instrumented alike.  The sanitizer builds of the test suite use g++
# (clang leaves the sanitizer runtime out of the effect's shared library, which is linked
# with --no-undefined); the fuzz build uses clang and builds only the fuzz programs.
set(TONEDOT_SANITIZE "" CACHE STRING
  "Sanitizers for every target, as -fsanitize takes them (address,undefined or thread); empty for none")
option(TONEDOT_BUILD_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

if(TONEDOT_SANITIZE)
  # Any finding stops the program, so a test run cannot pass over one.
  add_compile_options(-fsanitize=${TONEDOT_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TONEDOT_SANITIZE})
endif()

if(TONEDOT_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TONEDOT_BUILD_FUZZ needs clang (CXX=clang++)")
  endif()
  # Coverage feedback for every object; the fuzz programs themselves link the fuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
