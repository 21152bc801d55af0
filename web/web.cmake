# SPDX-License-Identifier: MIT
# The web page: the program compiled by Emscripten to vendrask.js and
# vendrask.wasm, with the page's own GL 1.1 and GLUT layer over WebGL and the
# browser's events in place of a desktop's GL and GLUT, index.html, its
# scripts and style from this folder beside them, and README.txt for whoever
# hosts it.
#   emcmake cmake -S . -B build-web -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF   (or: make web)

# GL and GLUT are the page's own layer, linked into the program: the
# program's headers are Emscripten's.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(GLUT::GLUT INTERFACE IMPORTED)

# The program as the page loads it: vendrask.js, for browsers only, loads
# vendrask.wasm through the page's loader (instantiateWasm).
function(web_page target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/web/gl_layer.cpp ${PROJECT_SOURCE_DIR}/web/fixed_function.cpp
    ${PROJECT_SOURCE_DIR}/web/immediate_mode.cpp ${PROJECT_SOURCE_DIR}/web/glut.cpp)
  # The page hands it keys and buttons (web/input.js) and halts it, so the
  # module exports those functions beside main; the program's exit ends the
  # runtime, which tells the page. It reads and writes no files: standard
  # output reaches the console without a file system. Its memory, fixed,
  # holds a frame at the finest detail (21 MB) beside the landscape and the
  # stack.
  target_link_options(${target} PRIVATE -sENVIRONMENT=web -sFILESYSTEM=0 -sEXIT_RUNTIME=1
    -sEXPORTED_FUNCTIONS=_main,_vendrask_key,_vendrask_button,_vendrask_halt -sINITIAL_MEMORY=33554432)
  set_target_properties(${target} PROPERTIES SUFFIX .js)
  # Opened from the file system, the page reads the program from a script,
  # which every browser loads from there: the same bytes, as base64 text.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND sh -c "{ printf '// vendrask.wasm as text, for the page opened from a folder\\nself.vendraskWasm = \\047'; base64 -w0 vendrask.wasm; printf '\\047;\\n'; } >vendrask.wasm.js"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
  # The version goes into the page's footer, names the service worker's
  # cache and heads the README for whoever hosts the page.
  foreach(file index.html README.txt)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} @ONLY)
  endforeach()
  foreach(file check.js input.js loader.js page.js style.css manifest.webmanifest)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} COPYONLY)
  endforeach()
  # The service worker names each release's cache by its version and a
  # digest of every file it keeps, as built, in the order of its list.
  set(VENDRASK_WEB_DIGEST @VENDRASK_WEB_DIGEST@)
  configure_file(${PROJECT_SOURCE_DIR}/web/sw.js ${CMAKE_BINARY_DIR}/sw.js.in @ONLY)
  set(kept index.html style.css check.js input.js loader.js page.js vendrask.js vendrask.wasm manifest.webmanifest icon.png)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/sw.js
    COMMAND sh -c "digest=$(cat \"$@\" | sha256sum | cut -c1-16) && sed \"s/@VENDRASK_WEB_DIGEST@/$digest/\" sw.js.in >sw.js" digest ${kept}
    DEPENDS ${target} ${CMAKE_BINARY_DIR}/sw.js.in ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/style.css
      ${PROJECT_SOURCE_DIR}/web/check.js ${PROJECT_SOURCE_DIR}/web/input.js ${PROJECT_SOURCE_DIR}/web/loader.js ${PROJECT_SOURCE_DIR}/web/page.js
      ${PROJECT_SOURCE_DIR}/web/manifest.webmanifest
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
  add_custom_target(${target}_service_worker ALL DEPENDS ${CMAKE_BINARY_DIR}/sw.js)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt COPYONLY)
  # The favicon, and the icons for installing the page as an app.
  foreach(size 32 192 512)
    set(name icon-${size}.png)
    if(size EQUAL 32)
      set(name icon.png)
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/data/icons/vendrask-${size}.png ${CMAKE_BINARY_DIR}/${name} COPYONLY)
  endforeach()
endfunction()
