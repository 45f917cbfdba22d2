# Cross-compiles the command line, the engine and their tests for 64-bit Windows with Debian's
# mingw-w64 (package g++-mingw-w64-x86-64-posix: GCC with posix threads, which std::thread
# needs). The programs are linked statically, so they need only the DLLs Windows itself has;
# CTest runs them under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRISOLT_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${BRISOLT_MINGW_PREFIX}-gcc-posix ${BRISOLT_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BRISOLT_MINGW_PREFIX}-g++-posix ${BRISOLT_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BRISOLT_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${BRISOLT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine 8 runs the test programs, in a prefix of the build's own (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
