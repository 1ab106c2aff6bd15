# What `cmake --install` puts where, by component:
#
#   library      libvorafile.so.* / vorafile.dll
#   development  the header, the namelink or import library, the CMake package
#                (find_package(vorafile) -> vorafile::vorafile) and vorafile.pc
#   tools        vorafile and vfcab
#   codec        the codec stand-in with its README (see below)
#   docs         README.md (there is no licence text yet)
#
# Only the shared library is exported. The layer libraries (vorafile_platform
# ... vorafile_host) are static and linked PRIVATE into it and into the tools,
# so a consumer never needs them and they are neither installed nor exported.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VORAFILE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vorafile)

# The header for consumers: the build tree's include folder while building,
# the installed one afterwards. A host of the __stdcall build must see
# VORAFILE_STDCALL (see the header), so the package says it.
target_include_directories(
  vorafile PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
if(VORAFILE_STDCALL)
  target_compile_definitions(vorafile INTERFACE VORAFILE_STDCALL)
  set(VORAFILE_PC_CFLAGS " -DVORAFILE_STDCALL")
else()
  set(VORAFILE_PC_CFLAGS "")
endif()

install(TARGETS vorafile EXPORT vorafileTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# The __stdcall DLL exports the plain name (--kill-at), and so does the import
# library the linker writes beside it; but a host that includes the header
# with VORAFILE_STDCALL calls the decorated _SendVoraFileMsg@20. A second
# import library, made from a .def file, binds that name to the plain export
# and is installed over the linker's.
if(WIN32 AND VORAFILE_STDCALL AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(stdcall_def ${CMAKE_CURRENT_BINARY_DIR}/stdcall/vorafile.def)
  set(stdcall_implib ${CMAKE_CURRENT_BINARY_DIR}/stdcall/libvorafile.dll.a)
  file(WRITE ${stdcall_def} "LIBRARY vorafile.dll\nEXPORTS\nSendVoraFileMsg@20\n")
  add_custom_command(
    OUTPUT ${stdcall_implib}
    COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${stdcall_def}
            --dllname vorafile.dll --output-lib ${stdcall_implib}
    DEPENDS ${stdcall_def}
    COMMENT "Import library of the __stdcall DLL with the decorated name")
  add_custom_target(vorafile_stdcall_implib DEPENDS ${stdcall_implib})
  add_dependencies(vorafile vorafile_stdcall_implib)
  install(FILES ${stdcall_implib} DESTINATION ${CMAKE_INSTALL_LIBDIR}
          COMPONENT development)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vorafile
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

install(EXPORT vorafileTargets NAMESPACE vorafile::
        DESTINATION ${VORAFILE_CMAKE_DIR} COMPONENT development)
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/install/vorafileConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vorafileConfig.cmake
  INSTALL_DESTINATION ${VORAFILE_CMAKE_DIR})
# 0.x releases promise nothing across minor versions.
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/vorafileConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vorafileConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/vorafileConfigVersion.cmake
        DESTINATION ${VORAFILE_CMAKE_DIR} COMPONENT development)

# pkg-config: relative to the .pc file, so an unpacked archive or a .deb
# extracted anywhere still points at its own header and library.
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH VORAFILE_PC_PREFIX_FROM_PCFILEDIR /root/${pc_dir} /root)
string(REGEX REPLACE "/$" "" VORAFILE_PC_PREFIX_FROM_PCFILEDIR
                     "${VORAFILE_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/install/vorafile.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/vorafile.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vorafile.pc DESTINATION ${pc_dir}
        COMPONENT development)

if(VORAFILE_BUILD_TOOLS)
  install(TARGETS vorafile_cli vfcab RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
                                     COMPONENT tools)
endif()

# The codec stand-in is a test double for the maker's codec library: it is
# shipped so that picture conversion can be tried, in a folder of its own that
# no loader searches. Windows: codec-test-double/x86 or x64 at the top of the
# installation. Elsewhere: a private folder under the library folder, as a
# loadable binary belongs under lib (not share, which holds architecture-
# independent files), and out of the linker's search path.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(codec_dir codec-test-double/x86)
  else()
    set(codec_dir codec-test-double/x64)
  endif()
  set(codec_readme_dir codec-test-double)
else()
  set(codec_dir ${CMAKE_INSTALL_LIBDIR}/vorafile/codec-test-double)
  set(codec_readme_dir ${codec_dir})
endif()
install(PROGRAMS $<TARGET_FILE:QVImage> DESTINATION ${codec_dir} COMPONENT codec)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/install/codec-test-double-README.txt
        DESTINATION ${codec_readme_dir} RENAME README.txt COMPONENT codec)

install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT docs)
