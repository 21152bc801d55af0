# SPDX-License-Identifier: MIT
# The Windows zip, vendrask-VERSION-windows-x86_64.zip: the stripped exe, the
# licences (freeglut's too, since it is linked in) and a short README, made
# reproducibly by tools/zip_reproducibly.sh. The exe carries Vendrask's icon
# and version as resources, compiled by windres.
enable_language(RC)
set(windows_icon ${CMAKE_BINARY_DIR}/vendrask.ico)
# The icon at the sizes Windows shows, from the Linux icons: 16, 32 and 48
# pixels as bitmaps, 256 as PNG, all with their transparency.
set(icon_dir ${PROJECT_SOURCE_DIR}/data/icons)
set(bitmaps ${icon_dir}/vendrask-16.png ${icon_dir}/vendrask-32.png ${icon_dir}/vendrask-48.png)
add_custom_command(OUTPUT ${windows_icon}
  COMMAND icotool -c -o ${windows_icon} ${bitmaps} -r ${icon_dir}/vendrask-256.png
  DEPENDS ${bitmaps} ${icon_dir}/vendrask-256.png
  VERBATIM)
configure_file(data/windows/vendrask.rc.in ${CMAKE_BINARY_DIR}/vendrask.rc @ONLY)
target_sources(vendrask PRIVATE ${CMAKE_BINARY_DIR}/vendrask.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/vendrask.rc PROPERTIES OBJECT_DEPENDS ${windows_icon})
set(windows_zip ${CMAKE_BINARY_DIR}/vendrask-${PROJECT_VERSION}-windows-x86_64.zip)
set(zip_dir ${CMAKE_BINARY_DIR}/zip)
# Where tools/build_windows.sh leaves freeglut's licence beside its package.
set(freeglut_license ${FreeGLUT_DIR}/../../../share/doc/freeglut/COPYING)

configure_file(data/windows/README.txt.in ${zip_dir}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${zip_dir}/LICENSE.txt COPYONLY)
configure_file(${freeglut_license} ${zip_dir}/FREEGLUT-LICENSE.txt COPYONLY)

# Stripped by the linker: strip run afterwards would stamp the PE header
# with the time of day.
target_link_options(vendrask PRIVATE -s)

add_custom_command(OUTPUT ${windows_zip}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vendrask> ${zip_dir}/vendrask.exe
  COMMAND ${PROJECT_SOURCE_DIR}/tools/zip_reproducibly.sh ${windows_zip} ${zip_dir}
    vendrask.exe README.txt LICENSE.txt FREEGLUT-LICENSE.txt
  DEPENDS vendrask ${zip_dir}/README.txt ${zip_dir}/LICENSE.txt ${zip_dir}/FREEGLUT-LICENSE.txt
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS ${windows_zip})
