# CPack for the native packages: a .tar.gz of the installation and a .deb
# (scripts/package.sh makes them; the Windows ZIP is assembled there from the
# three cross builds). Every install component goes into both.
set(CPACK_PACKAGE_NAME vorafile)
set(CPACK_PACKAGE_VENDOR vorafile)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "File library of the player: scene packages, node parameters, pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "The file library a host drives through one C function, SendVoraFileMsg: \
it opens scene packages (Microsoft cabinets), reads and changes the \
parameters of the scene's nodes, saves packages and converts pictures. \
With the header, a CMake package and a pkg-config file for host developers, \
and the vorafile and vfcab tools for scene authors.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CONTACT "vorafile <dev@vorafile.invalid>")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# The archive unpacks into one folder named after the package.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vorafile.invalid")
# The run-time dependencies (zlib, libturbojpeg, libpng, the C++ runtime) are
# read from the binaries by dpkg-shlibdeps; the shlibs file and the ldconfig
# trigger come with the shared library.
find_program(VORAFILE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VORAFILE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, zlib1g")
endif()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

include(CPack)
