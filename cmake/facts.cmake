# SPDX-License-Identifier: MIT
# Vendrask's facts that more than one file tells, each written once here: the
# build hands them to the program (window.h), the page, its worker and
# manifest, the release, the Windows exe's resources, the manual and the
# tests.
set(VENDRASK_TITLE "Vendrask: the magic wonderland by Orvaine and Movri")
set(VENDRASK_WINDOW_WIDTH 600)   # pixels
set(VENDRASK_WINDOW_HEIGHT 512)  # pixels
# The page's files: its scripts in the order it loads them; what its worker
# keeps for use offline (the larger icons serve only to install it as an
# app, which is done online); and all that it serves.
set(VENDRASK_PAGE_SCRIPTS check.js input.js loader.js page.js)
set(VENDRASK_PAGE_KEPT index.html style.css ${VENDRASK_PAGE_SCRIPTS} vendrask.js vendrask.wasm manifest.webmanifest
  icon.png)
set(VENDRASK_PAGE_FILES ${VENDRASK_PAGE_KEPT} sw.js icon-192.png icon-512.png vendrask.wasm.js README.txt LICENSE.txt)
configure_file(${PROJECT_SOURCE_DIR}/src/app/window.h.in ${PROJECT_BINARY_DIR}/generated/window.h @ONLY)
