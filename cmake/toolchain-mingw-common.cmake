# Shared part of the mingw-w64 toolchain files; VORAFILE_MINGW_TRIPLET names
# the target. The -posix compilers give std::thread and friends (over
# winpthreads); everything is linked statically so that the DLL and the test
# programs import only system DLLs.
foreach(tool gcc g++)
  if(NOT EXISTS /usr/bin/${VORAFILE_MINGW_TRIPLET}-${tool}-posix)
    message(FATAL_ERROR "${VORAFILE_MINGW_TRIPLET}-${tool}-posix not found; "
                        "install g++-mingw-w64")
  endif()
endforeach()
set(CMAKE_C_COMPILER ${VORAFILE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORAFILE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VORAFILE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORAFILE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# zlib from libz-mingw-w64-dev: the static archive, never zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${VORAFILE_MINGW_TRIPLET}/lib/libz.a
    CACHE FILEPATH "static zlib for ${VORAFILE_MINGW_TRIPLET}")
set(ZLIB_INCLUDE_DIR /usr/${VORAFILE_MINGW_TRIPLET}/include
    CACHE PATH "zlib headers for ${VORAFILE_MINGW_TRIPLET}")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
