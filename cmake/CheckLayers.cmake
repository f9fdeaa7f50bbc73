# Keeps the folders of src/ in layers: every #include "..." of a source file
# points to its own folder or to a folder it may use, Qt headers appear only
# in the Qt front end, and the core includes no library but the standard one.
#
#   cmake -DSOURCE_DIR=<src> -P cmake/CheckLayers.cmake
#
# Prints every offending line and fails when there is one.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# The layers, bottom up, and what each may include besides itself.
set(core angles state prompting adjustment entry results driver)
set(allowed_angles "")
set(allowed_state angles)
set(allowed_prompting angles state)
set(allowed_adjustment angles state prompting)
set(allowed_entry angles state prompting adjustment)
set(allowed_results angles state prompting)
set(allowed_driver angles state prompting adjustment entry results)
set(allowed_files ${core})
set(allowed_frontends/console ${core} files)
set(allowed_frontends/qt ${core} files)
set(allowed_main ${core} files frontends/console frontends/qt)
set(layers ${core} files frontends/console frontends/qt main)

# Headers of libraries outside the standard library, by the layers that may
# use them.
set(library_patterns "^<Q" "^<toml\\+\\+/" "^<nlohmann/" "^<qpdf/" "^<xcb/")
set(library_layers_0 frontends/qt)                                    # Qt
set(library_layers_1 files)                                           # toml++
set(library_layers_2 files frontends/console frontends/qt)            # nlohmann-json
set(library_layers_3 frontends/qt)                                    # qpdf
set(library_layers_4 frontends/qt)                                    # xcb (X events)

set(failures 0)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT sources)
foreach(source IN LISTS sources)
  # The layer of the file: main.cpp, a front end's folder, or a top folder.
  if(source STREQUAL "main.cpp")
    set(layer main)
  elseif(source MATCHES "^(frontends/[^/]+)/")
    set(layer ${CMAKE_MATCH_1})
  elseif(source MATCHES "^([^/]+)/")
    set(layer ${CMAKE_MATCH_1})
  else()
    set(layer "")
  endif()
  if(NOT layer IN_LIST layers)
    message("${source}: not in any layer (add its folder to cmake/CheckLayers.cmake)")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()

  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" target "${line}")
    if(target MATCHES "^\"([^\"]+)\"")
      set(header ${CMAKE_MATCH_1})
      if(header MATCHES "^(frontends/[^/]+)/")
        set(used ${CMAKE_MATCH_1})
      elseif(header MATCHES "^([^/]+)/")
        set(used ${CMAKE_MATCH_1})
      else()
        set(used "")
      endif()
      if(NOT used STREQUAL layer AND NOT used IN_LIST allowed_${layer})
        message("${source}: ${line}  (${layer} may not include ${used})")
        math(EXPR failures "${failures} + 1")
      endif()
    else()
      set(index 0)
      foreach(pattern IN LISTS library_patterns)
        if(target MATCHES "${pattern}" AND NOT layer IN_LIST library_layers_${index})
          message("${source}: ${line}  (${layer} may not use this library)")
          math(EXPR failures "${failures} + 1")
        endif()
        math(EXPR index "${index} + 1")
      endforeach()
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) against the layers")
endif()
message(STATUS "layers kept: ${count} files")
