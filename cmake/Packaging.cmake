# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build directory, checked by tests/packaging/. Included
# at the end of the top-level CMakeLists.txt, once every target exists.

# Debian's hardening, with the flags dpkg-buildflags gives for hardening=+all: fortified C library
# calls, a strong stack protector, format-string checks and a Global Offset Table made read-only
# once the program has started (relro and bindnow). They go onto every target built here, so the
# tests run the code as it ships. The build type keeps its say over -O and -g, and paths stay
# absolute in the debug information. Fortify needs the optimiser, so a Debug build goes without it;
# the sanitizer build goes without them all, its own checks taking their place.
option(VARNOTH_HARDENING "Build with Debian's hardening flags, where dpkg-buildflags exists" ON)
find_program(VARNOTH_DPKG_BUILDFLAGS dpkg-buildflags)
mark_as_advanced(VARNOTH_DPKG_BUILDFLAGS)
set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")

# The flags of one kind (CPPFLAGS, CXXFLAGS, LDFLAGS) as a list, without -O and -g.
function(varnoth_hardening_flags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
            "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
            ${VARNOTH_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O|g)")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

# Adds the hardening_* flags to each target that compiles code in the directory and below it, the
# preprocessor's (fortify) only to optimised builds.
function(varnoth_harden_directory directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      target_link_options(${target} PRIVATE ${hardening_ldflags})
    elseif(NOT type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    target_compile_options(${target} PRIVATE ${hardening_cxxflags}
                           "$<${optimised}:${hardening_cppflags}>")
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    varnoth_harden_directory(${subdirectory})
  endforeach()
endfunction()

if(VARNOTH_HARDENING AND VARNOTH_DPKG_BUILDFLAGS AND NOT VARNOTH_SANITIZE)
  varnoth_hardening_flags(CPPFLAGS hardening_cppflags)
  varnoth_hardening_flags(CXXFLAGS hardening_cxxflags)
  varnoth_hardening_flags(LDFLAGS hardening_ldflags)
  string(JOIN " " shown ${hardening_cppflags} ${hardening_cxxflags} ${hardening_ldflags})
  message(STATUS "Hardening: ${shown} (fortify in optimised builds only)")
  varnoth_harden_directory(${PROJECT_SOURCE_DIR})
  # For the package test: what to look for in the packaged binary (pie is the compiler's default).
  set_property(TARGET varnoth PROPERTY VARNOTH_HARDENING
               "pie,relro,bindnow,stackprotector$<${optimised}:,fortify>")
else()
  message(STATUS "Hardening: off")
endif()

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
# Qt loads the SVG icon engine and the Wayland platform as plugins, which dpkg-shlibdeps cannot see;
# without the Wayland plugin a Wayland session runs the window through XWayland, or not at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland")
# Qt's own translations, for the standard buttons of the dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
