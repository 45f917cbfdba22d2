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

# The static kit of scripts/mingw-kit.sh: Qt 6 (the window) and zlib (XLSX), built
# for mingw-w64 from Debian's sources. Found where the script leaves it, or named by
# -DBRISOLT_MINGW_KIT=PREFIX. Qt's tools (moc, uic, rcc) are the host's, from qt6-base-dev.
if(NOT BRISOLT_MINGW_KIT)
  if(DEFINED ENV{BRISOLT_KIT_CACHE})
    set(brisolt_kit_cache "$ENV{BRISOLT_KIT_CACHE}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(brisolt_kit_cache "$ENV{XDG_CACHE_HOME}/brisolt")
  else()
    set(brisolt_kit_cache "$ENV{HOME}/.cache/brisolt")
  endif()
  if(EXISTS "${brisolt_kit_cache}/mingw-kit/.complete")
    file(REAL_PATH "${brisolt_kit_cache}/mingw-kit" BRISOLT_MINGW_KIT)
  endif()
endif()
if(BRISOLT_MINGW_KIT)
  list(APPEND CMAKE_FIND_ROOT_PATH "${BRISOLT_MINGW_KIT}")
  list(APPEND CMAKE_PREFIX_PATH "${BRISOLT_MINGW_KIT}")
  set(QT_HOST_PATH /usr)
  file(GLOB brisolt_host_qt_config /usr/lib/*/cmake/Qt6/Qt6Config.cmake)
  if(brisolt_host_qt_config)
    list(GET brisolt_host_qt_config 0 brisolt_host_qt_config)
    get_filename_component(QT_HOST_PATH_CMAKE_DIR "${brisolt_host_qt_config}" DIRECTORY)
    get_filename_component(QT_HOST_PATH_CMAKE_DIR "${QT_HOST_PATH_CMAKE_DIR}" DIRECTORY)
  endif()
endif()
