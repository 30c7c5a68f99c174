# The Debian package: `cpack -G DEB` in the build directory, checked by tests/packaging/. Included
# at the end of the top-level CMakeLists.txt, once every target exists.

# Its dependencies come from the libraries the binary links, through dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnoth)
set(CPACK_PACKAGE_CONTACT "Varnoth developers")
set(CPACK_PACKAGE_DESCRIPTION "Varnoth moves picture files from one folder into another, or
renames them in place, under uniform numbered names such as Trip013.jpg, carrying on
after the highest number already in the target folder. It never overwrites a file.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
