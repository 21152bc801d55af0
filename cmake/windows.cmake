# SPDX-License-Identifier: MIT
# The Windows zip, vendrask-VERSION-windows-x86_64.zip: the stripped exe, the
# licences (freeglut's too, since it is linked in) and a short README, made
# reproducibly by tools/zip_reproducibly.sh.
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
