# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the -posix
# compilers: std::thread and friends need the POSIX thread model).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Libraries built for Windows (GoogleTest, the nlohmann-json config) are found
# under CMAKE_FIND_ROOT_PATH only, never among the host's. With Wine installed,
# ctest runs each test .exe through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOVRIN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVRIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOVRIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TOVRIN_MINGW}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TOVRIN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libgcc, libstdc++ or winpthread DLL to ship or
# to find at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TOVRIN_WINE wine)
if(TOVRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOVRIN_WINE})
endif()
