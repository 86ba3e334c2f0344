# Cross-compiling the effect for 64-bit Windows with Debian's mingw-w64 (posix threads
# variant: std::thread and std::mutex work without extra libraries).
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# cmake/Windows.cmake runs the programs built here (build tools, tests) through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TONEDOT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TONEDOT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONEDOT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TONEDOT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TONEDOT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything the C and C++ runtimes need is linked in, so the .aex and the test programs
# depend on Windows' own DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
