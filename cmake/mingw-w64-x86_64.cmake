# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (POSIX threads, so
# std::thread and std::mutex work). Test programs run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVIK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVIK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVIK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVIK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVIK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The .exe files carry libgcc, libstdc++ and winpthread inside, so they run
# on a Windows machine with nothing installed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
