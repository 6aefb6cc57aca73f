# What the MinGW-w64 toolchain files share; each sets ZAR_MINGW_TRIPLE (and
# the processor) first. Debian's -posix compilers bring std::thread support.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZAR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZAR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZAR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libgcc, libstdc++, winpthreads) is linked in, so the .exe
# needs nothing but the DLLs every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
