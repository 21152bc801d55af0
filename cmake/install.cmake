# SPDX-License-Identifier: MIT
# Installation (the program, its manual page, desktop entry, AppStream
# metadata, icons, licence and changelog) and a Debian package of it all.
# The version is the project's; release dates and notes come from
# CHANGELOG.md.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(app_id org.vendrask.Vendrask)
set(developer "Vendrask developers")
set(contact "${developer} <developers@vendrask.org>")

# Releases from CHANGELOG.md ("## VERSION - DATE", then "- note" lines): the
# metainfo release list and the Debian changelog, newest first.
file(STRINGS CHANGELOG.md changelog_lines ENCODING UTF-8)
set(VENDRASK_METAINFO_RELEASES "")
set(debian_changelog "")
set(version "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^## ([0-9.]+) - ([0-9-]+)$")
    if(version)
      string(APPEND debian_changelog "\n -- ${contact}  ${rfc_date}\n\n")
    endif()
    set(version ${CMAKE_MATCH_1})
    set(date ${CMAKE_MATCH_2})
    if(NOT VENDRASK_RELEASE_DATE)
      if(NOT version VERSION_EQUAL PROJECT_VERSION)
        message(FATAL_ERROR "CHANGELOG.md's newest release is ${version}, the project's version ${PROJECT_VERSION}")
      endif()
      set(VENDRASK_RELEASE_DATE ${date})
    endif()
    # The Debian changelog wants every entry newer than the next: releases of
    # one day are an hour apart, the newest at noon.
    if(date STREQUAL previous_date)
      math(EXPR hour "${hour} - 1")
    else()
      set(hour 12)
    endif()
    set(previous_date ${date})
    execute_process(COMMAND date -u -R -d "${date} ${hour}:00" OUTPUT_VARIABLE rfc_date
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND VENDRASK_METAINFO_RELEASES "    <release version=\"${version}\" date=\"${date}\"/>\n")
    string(APPEND debian_changelog "vendrask (${version}) unstable; urgency=medium\n\n")
  elseif(version AND line MATCHES "^- (.*)$")
    string(APPEND debian_changelog "  * ${CMAKE_MATCH_1}\n")
  elseif(version AND line MATCHES "^  (.*)$")
    string(APPEND debian_changelog "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
string(APPEND debian_changelog "\n -- ${contact}  ${rfc_date}\n")

# Who makes it, in the form of the AppStream on the system built for:
# AppStream 1.0 has <developer> and calls <developer_name> deprecated, which
# earlier versions (Debian 12's 0.16) alone know. Without appstreamcli, 1.0's.
find_program(APPSTREAMCLI appstreamcli)
set(appstream_version 1.0)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} --version OUTPUT_VARIABLE appstream_says ERROR_QUIET)
  string(REGEX MATCH "[0-9]+(\\.[0-9]+)+" appstream_version "${appstream_says}")
endif()
if(appstream_version VERSION_LESS 1.0)
  set(VENDRASK_METAINFO_DEVELOPER "  <developer_name>${developer}</developer_name>")
else()
  set(VENDRASK_METAINFO_DEVELOPER "  <developer id=\"org.vendrask\">\n    <name>${developer}</name>\n  </developer>")
endif()

set(gen ${CMAKE_CURRENT_BINARY_DIR}/data)
configure_file(data/vendrask.1.in ${gen}/vendrask.1 @ONLY)
configure_file(data/${app_id}.metainfo.xml.in ${gen}/${app_id}.metainfo.xml @ONLY)
file(WRITE ${gen}/changelog "${debian_changelog}")

# Manual page and changelog compressed as Debian wants them: no name or time
# stamp in the gzip header.
foreach(doc vendrask.1 changelog)
  add_custom_command(OUTPUT ${gen}/${doc}.gz
    COMMAND gzip -9nc ${gen}/${doc} > ${gen}/${doc}.gz
    DEPENDS ${gen}/${doc} VERBATIM)
endforeach()
add_custom_target(vendrask_docs ALL DEPENDS ${gen}/vendrask.1.gz ${gen}/changelog.gz)

install(TARGETS vendrask RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${gen}/vendrask.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${gen}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES data/icons/vendrask-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME vendrask.png)
endforeach()
install(FILES data/copyright ${gen}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. Its dependencies come from the libraries the program
# links; builds are reproducible given SOURCE_DATE_EPOCH (the Makefile takes
# it from the last commit).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vendrask)
set(CPACK_PACKAGE_CONTACT "${contact}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch and steer a fractal landscape")
set(CPACK_PACKAGE_DESCRIPTION "A small viewer that grows a fractal landscape, a 513 x 513 grid of heights
made by recursive midpoint displacement from a fixed seed, and shows it lit,
coloured by height, fogged with distance and under a translucent water plane.
The view turns by itself; keys and mouse buttons steer the camera, change the
mesh detail and grow a new landscape.
.
The first landscape is the same on every run and on every machine. On 32-bit
x86 it needs a processor with SSE2.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
