# SPDX-License-Identifier: MIT
# The web page: the program compiled by Emscripten to vendrask.js and
# vendrask.wasm, with the page's own GL 1.1 and GLUT layer over WebGL and the
# browser's events (gl/) in place of a desktop's GL and GLUT, and what is
# served beside it (page/): one flat folder, the worker's scope, with the
# facts of cmake/facts.cmake written in.
#   emcmake cmake -S . -B build-web -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF   (or: make web)

# GL and GLUT are the page's own layer, linked into the program: the
# program's headers are Emscripten's.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(GLUT::GLUT INTERFACE IMPORTED)

# The program as the page loads it: vendrask.js, for browsers only, loads
# vendrask.wasm through the page's loader (instantiateWasm).
function(web_page target)
  set(gl ${PROJECT_SOURCE_DIR}/web/gl)
  set(page ${PROJECT_SOURCE_DIR}/web/page)
  target_sources(${target} PRIVATE ${gl}/gl_layer.cpp ${gl}/fixed_function.cpp ${gl}/immediate_mode.cpp ${gl}/glut.cpp
    ${gl}/motion.cpp)
  # The page hands it keys and buttons (input.js), asks it to stop its
  # motion and halts it, so the module exports those functions beside main;
  # the program's exit ends the runtime, which tells the page. It reads and
  # writes no files: standard output reaches the console without a file
  # system. Its memory, fixed, holds a frame at the finest detail (21 MB)
  # beside the landscape and the stack.
  target_link_options(${target} PRIVATE -sENVIRONMENT=web -sFILESYSTEM=0 -sEXIT_RUNTIME=1
    -sEXPORTED_FUNCTIONS=_main,_vendrask_key,_vendrask_button,_vendrask_halt,_vendrask_still,_vendrask_stop_motion
    -sINITIAL_MEMORY=33554432 --js-library ${gl}/library.js)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${gl}/library.js)
  set_target_properties(${target} PROPERTIES SUFFIX .js)
  # Opened from the file system, the page reads the program from a script,
  # which every browser loads from there: the same bytes, as base64 text.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND sh -c "{ printf '// vendrask.wasm as text, for the page opened from a folder\\nself.vendraskWasm = \\047'; base64 -w0 vendrask.wasm; printf '\\047;\\n'; } >vendrask.wasm.js"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
  # The facts, the version (in the page's footer, the worker's cache and the
  # README for whoever hosts the page) and the page's files: its scripts in
  # their order, and what its worker keeps.
  list(TRANSFORM VENDRASK_PAGE_SCRIPTS PREPEND "<script src=\"" OUTPUT_VARIABLE tags)
  list(TRANSFORM tags APPEND "\"></script>")
  string(REPLACE ";" "\n" VENDRASK_SCRIPT_TAGS "${tags}")
  # The worker's release is named by its version and a digest of every file
  # it keeps, as built, in the order of its list. Those of the page's files
  # that page/ holds are written from there.
  set(VENDRASK_WEB_DIGEST @VENDRASK_WEB_DIGEST@)
  set(made)
  foreach(file ${VENDRASK_PAGE_FILES})
    if(NOT EXISTS ${page}/${file})
      continue()
    endif()
    set(to ${CMAKE_BINARY_DIR}/${file})
    if(file STREQUAL sw.js)
      set(to ${CMAKE_BINARY_DIR}/sw.js.in)
    endif()
    configure_file(${page}/${file} ${to} @ONLY)
    list(APPEND made ${to})
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt COPYONLY)
  # The favicon, and the icons for installing the page as an app.
  foreach(size 32 192 512)
    set(name icon-${size}.png)
    if(size EQUAL 32)
      set(name icon.png)
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/data/icons/vendrask-${size}.png ${CMAKE_BINARY_DIR}/${name} COPYONLY)
  endforeach()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/sw.js
    COMMAND sh -c "digest=$(cat \"$@\" | sha256sum | cut -c1-16) && sed \"s/@VENDRASK_WEB_DIGEST@/$digest/\" sw.js.in >sw.js" digest ${VENDRASK_PAGE_KEPT}
    DEPENDS ${target} ${made}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
  add_custom_target(${target}_service_worker ALL DEPENDS ${CMAKE_BINARY_DIR}/sw.js)
  # All it serves, for the release to zip (tools/make_dist.sh).
  string(REPLACE ";" "\n" files "${VENDRASK_PAGE_FILES}")
  file(WRITE ${CMAKE_BINARY_DIR}/page-files.txt "${files}\n")
endfunction()
