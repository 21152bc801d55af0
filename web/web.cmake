# SPDX-License-Identifier: MIT
# The web page: the program compiled by Emscripten to vendrask.js and
# vendrask.wasm, drawn through Emscripten's emulation of fixed-function GL and
# GLUT, with index.html, its scripts and style from this folder beside them,
# and README.txt for whoever hosts it.
#   emcmake cmake -S . -B build-web -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF   (or: make web)

# GL and GLUT are Emscripten's own; the emulation is switched on at link time.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(GLUT::GLUT INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1 -sGL_FFP_ONLY=1)

# The program as the page loads it: vendrask.js, for browsers only, loads
# vendrask.wasm through the page's bridge (instantiateWasm).
function(web_page target)
  # Immediate mode gathered inside the module, drawn from one WebGL buffer
  # that holds the frame and is handed only what changed.
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/web/immediate_mode.cpp)
  # The page tells it when a frame has been shown (web/bridge.js), so the
  # module exports that function beside main. Its memory, fixed, holds a
  # frame at the finest detail (21 MB) beside the landscape and the stack.
  target_link_options(${target} PRIVATE -sENVIRONMENT=web -sEXPORTED_FUNCTIONS=_main,_vendrask_frame_shown
    -sINITIAL_MEMORY=33554432)
  set_target_properties(${target} PROPERTIES SUFFIX .js)
  # Opened from the file system, the page reads the program from a script,
  # which every browser loads from there: the same bytes, as base64 text.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND sh -c "{ printf '// vendrask.wasm as text, for the page opened from a folder\\nself.vendraskWasm = \\047'; base64 -w0 vendrask.wasm; printf '\\047;\\n'; } >vendrask.wasm.js"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
  # The version goes into the page's footer, names the service worker's
  # cache and heads the README for whoever hosts the page.
  foreach(file index.html sw.js README.txt)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} @ONLY)
  endforeach()
  foreach(file bridge.js page.js style.css manifest.webmanifest)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} COPYONLY)
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
endfunction()
