# The Debian package: `cpack -G DEB` in a build folder (or scripts/package)
# packs whatever the project installs, for /usr. Configure the build with
# -DCMAKE_INSTALL_PREFIX=/usr so that GNUInstallDirs puts the libraries in the
# multiarch folder (lib/x86_64-linux-gnu); the folder is fixed at configure time.
#
# One package holds the libraries, their headers, CMake and pkg-config files,
# the Java class and the ulvar tool. It is named after the project, not after a
# library's soname: a libulvar1 package may hold nothing but the shared library.
set(CPACK_PACKAGE_NAME ulvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "storage-inventory agent: resource database, CIM report, Java natives")
# The extended description, one paragraph per blank line.
set(CPACK_PACKAGE_DESCRIPTION [=[
The native half of a storage-inventory agent. A Java scanner hands it what a
host has (disks, volumes, file systems, shares, service groups) as record text;
it keeps a resource database, resolves the storage stack, writes the database
back as record text and converts it into CIM instances rendered as CIM-XML.

This package holds the shared libraries libulvar, libtessel and libwbemkit,
their headers, CMake and pkg-config files, the Java class with the natives
(/usr/share/java/srmulvar.jar).]=])
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/CMakeLists.txt)
  string(APPEND CPACK_PACKAGE_DESCRIPTION " It also holds the ulvar command-line tool.")
endif()
set(CPACK_PACKAGE_CONTACT "Seed eb8db8c3 maintainers <maintainers@users.noreply.c-seed-eb8db8c3.example>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_GENERATOR DEB)
# The values reach cpack as written here (no second round of escaping).
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian ships its binaries stripped of debugging information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file, so that packages built against these libraries depend on this
# version or a later one (the soname changes with an incompatible release).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
