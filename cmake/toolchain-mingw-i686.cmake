# Cross build for 32-bit Windows with mingw-w64: the DLL the player loads.
# Its tests need Wine's 32-bit side, which is optional (see wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORAFILE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Debian's wine32 package runs 32-bit programs through /usr/lib/wine/wine.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wine-prefix;/usr/lib/wine/wine)
