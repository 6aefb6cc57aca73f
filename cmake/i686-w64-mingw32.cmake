# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686-posix).
set(ZAR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR X86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# No emulator: this machine cannot execute 32-bit code (Wine would need
# wine32 and a kernel that runs i386 programs), so the tests are built but
# not registered with CTest.
