# The Debian package: `cpack -G DEB` in the build directory, checked by tests/packaging/. Included
# at the end of the top-level CMakeLists.txt, once every target exists.

# The changelog and the manual page are installed compressed, by `gzip -9n`: without a name or a
# time stamp, so that the same source gives the same bytes.
find_program(VARNOTH_GZIP gzip REQUIRED)
mark_as_advanced(VARNOTH_GZIP)
set(debian_sources ${PROJECT_SOURCE_DIR}/packaging/debian)
set(debian_build ${PROJECT_BINARY_DIR}/packaging)
function(varnoth_compress source name)
  add_custom_command(
    OUTPUT ${debian_build}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${debian_sources}/${source} ${debian_build}/${name}
    COMMAND ${VARNOTH_GZIP} -9nf ${debian_build}/${name}
    DEPENDS ${debian_sources}/${source}
    VERBATIM)
endfunction()
varnoth_compress(changelog changelog.Debian)
varnoth_compress(varnoth.1 varnoth.1)
add_custom_target(compressed_docs ALL
                  DEPENDS ${debian_build}/changelog.Debian.gz ${debian_build}/varnoth.1.gz)

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/varnoth)
install(FILES ${debian_build}/changelog.Debian.gz ${debian_sources}/copyright
        DESTINATION ${doc_dir})
install(FILES ${debian_build}/varnoth.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${debian_sources}/lintian-overrides RENAME varnoth
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

# Its dependencies come from the libraries the binary links, through dpkg-shlibdeps. The release
# number is the Debian revision, which packaging/debian/changelog names too: 0.1.0-1.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnoth)
set(CPACK_PACKAGE_CONTACT "Varnoth Developers <maintainers@varnoth.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# Each line of the long description becomes one line of the control file, where lintian wants
# at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Varnoth moves picture files from one folder into another, or renames
them in place, under uniform numbered names such as Trip013.jpg, carrying
on after the highest number already in the target folder. It never
overwrites a file.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
