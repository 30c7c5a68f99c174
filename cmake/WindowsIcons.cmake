# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build has no Qt SVG, so the SVG icons are rendered to PNG here, on the build machine,
# at the sizes the usual display scales need: the folder icons into a resource file of the
# controls, the program's icon into an .ico that the executable carries.
find_program(VARNOTH_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(VARNOTH_BASH bash REQUIRED)
mark_as_advanced(VARNOTH_RSVG_CONVERT VARNOTH_BASH)

set(icons_dir ${PROJECT_BINARY_DIR}/windows-icons)
set(icon_outputs)
set(controls_files)
function(varnoth_render svg png size)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icons_dir}
    COMMAND ${VARNOTH_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
    DEPENDS ${svg}
    VERBATIM)
endfunction()

foreach(look open closed)
  foreach(size 16 24 32 48)
    set(png ${icons_dir}/folder-${look}-${size}.png)
    varnoth_render(${PROJECT_SOURCE_DIR}/platform/qt/icons/folder-${look}.svg ${png} ${size})
    list(APPEND icon_outputs ${png})
    string(APPEND controls_files "    <file alias=\"folder-${look}-${size}.png\">${png}</file>\n")
  endforeach()
endforeach()

set(program_pngs)
foreach(size 16 24 32 48 256)
  set(png ${icons_dir}/varnoth-${size}.png)
  varnoth_render(${PROJECT_SOURCE_DIR}/data/org.varnoth.Varnoth.svg ${png} ${size})
  list(APPEND program_pngs ${png})
endforeach()
set(ico ${icons_dir}/varnoth.ico)
add_custom_command(
  OUTPUT ${ico}
  COMMAND ${VARNOTH_BASH} ${PROJECT_SOURCE_DIR}/packaging/windows/make-ico.sh ${ico} ${program_pngs}
  DEPENDS ${program_pngs} ${PROJECT_SOURCE_DIR}/packaging/windows/make-ico.sh
  VERBATIM)
list(APPEND icon_outputs ${ico})
add_custom_target(windows_icons DEPENDS ${icon_outputs})

set(VARNOTH_WINDOWS_CONTROLS_QRC ${icons_dir}/controls_png.qrc)
file(WRITE ${VARNOTH_WINDOWS_CONTROLS_QRC}.in
     "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/controls\">\n"
     "${controls_files}  </qresource>\n</RCC>\n")
configure_file(${VARNOTH_WINDOWS_CONTROLS_QRC}.in ${VARNOTH_WINDOWS_CONTROLS_QRC} COPYONLY)

set(VARNOTH_WINDOWS_RC ${icons_dir}/varnoth.rc)
file(WRITE ${VARNOTH_WINDOWS_RC}.in "1 ICON \"${ico}\"\n")
configure_file(${VARNOTH_WINDOWS_RC}.in ${VARNOTH_WINDOWS_RC} COPYONLY)
set_source_files_properties(${VARNOTH_WINDOWS_RC} PROPERTIES OBJECT_DEPENDS ${ico})
