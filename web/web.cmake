# SPDX-License-Identifier: MIT
# The web page: the program compiled by Emscripten to vendrask.js and
# vendrask.wasm, drawn through Emscripten's emulation of fixed-function GL and
# GLUT, with index.html and bridge.js from this folder beside them.
#   emcmake cmake -S . -B build-web -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF   (or: make web)

# GL and GLUT are Emscripten's own; the emulation is switched on at link time.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(GLUT::GLUT INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1 -sGL_FFP_ONLY=1)

# The program as the page loads it: vendrask.js, for browsers only, loads
# vendrask.wasm through the page's bridge (instantiateWasm).
function(web_page target)
  # Immediate mode gathered inside the module, drawn as client arrays.
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/web/immediate_mode.cpp)
  target_link_options(${target} PRIVATE -sENVIRONMENT=web)
  set_target_properties(${target} PROPERTIES SUFFIX .js)
  # The version goes into the page's footer and names the service worker's cache.
  foreach(file index.html sw.js)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} @ONLY)
  endforeach()
  foreach(file bridge.js page.js style.css manifest.webmanifest)
    configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} COPYONLY)
  endforeach()
  # The favicon, and the icons for installing the page as an app.
  foreach(size 32 192 512)
    set(name icon-${size}.png)
    if(size EQUAL 32)
      set(name icon.png)
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/data/icons/vendrask-${size}.png ${CMAKE_BINARY_DIR}/${name} COPYONLY)
  endforeach()
endfunction()
