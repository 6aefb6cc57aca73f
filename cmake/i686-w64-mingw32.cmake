# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686-posix).
set(ZAR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR X86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Tests run under Wine's 32-bit loader (Debian's wine32:i386), in a prefix of
# the build's own. Wine makes a 64-bit prefix where its 64-bit half is
# installed too, so the program runs there as on 64-bit Windows, under WoW64.
# Hosts whose kernel refuses 32-bit x86 programs build the tests but cannot
# run them: .ci/run finds that out and says so.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh /usr/lib/wine/wine
    ${CMAKE_BINARY_DIR}/wineprefix)
