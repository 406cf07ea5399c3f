# Cross-compiles for 64-bit Windows with mingw-w64's posix-threads compilers (std::thread needs
# them). Everything is linked statically, so that the programs run without DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OSTREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTREL_MINGW_PREFIX}-windres)

# Libraries and headers come from the Windows sysroot only; programs run during the build are the
# host's.
set(CMAKE_FIND_ROOT_PATH /usr/${OSTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
