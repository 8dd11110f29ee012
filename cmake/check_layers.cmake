# Fails when a file includes a header of a layer above its own. Run at build time:
#   cmake -DSOURCE_DIR=<root> [-DSTAMP=<file>] -P cmake/check_layers.cmake
# Layers from the bottom up; a folder belongs to the longest prefix listed. Folders not listed
# (renderer/, tests/, bench/, scripts/) sit on top and may include anything.
cmake_policy(SET CMP0057 NEW)  # if(IN_LIST)
set(VANDREL_LAYERS
  "hostapi=0"
  "core=1"            # the model, with the media cache and WAV reader that instances use
  "components=2"
  "interface=3"
  "host=4"            # the plug-in binding
  "editor/model=5" "editor/preview=5"
  "editor/controls=6"
  "editor=7"          # the editor's windows
  "editor/plugin=8")  # names the windows to the binding
# The stand-in host's implementation of the host API sees nothing but the API and its image and
# mesh modules.
set(VANDREL_HOST_IMPLEMENTATION renderer/host renderer/imageio renderer/mesh)
# Self-contained files that a module compiles in itself, so it links nothing of the plug-in.
set(VANDREL_SELF_CONTAINED core/regular_file.h)

function(layer_of path out_rank out_name)
  set(best_len -1)
  set(rank -1)
  set(name "")
  foreach(entry IN LISTS VANDREL_LAYERS)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 r)
    string(LENGTH "${folder}" len)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0 AND len GREATER best_len)
      set(best_len ${len})
      set(rank ${r})
      set(name ${folder})
    endif()
  endforeach()
  set(${out_rank} ${rank} PARENT_SCOPE)
  set(${out_name} "${name}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
     "${SOURCE_DIR}/hostapi/*" "${SOURCE_DIR}/core/*" "${SOURCE_DIR}/components/*"
     "${SOURCE_DIR}/interface/*" "${SOURCE_DIR}/host/*" "${SOURCE_DIR}/editor/*"
     "${SOURCE_DIR}/renderer/host/*" "${SOURCE_DIR}/renderer/imageio/*"
     "${SOURCE_DIR}/renderer/mesh/*")
list(FILTER files INCLUDE REGEX "\\.(h|cpp)$")
set(faults "")
foreach(file IN LISTS files)
  layer_of("${file}" rank name)
  set(implementation FALSE)
  foreach(folder IN LISTS VANDREL_HOST_IMPLEMENTATION)
    string(FIND "${file}" "${folder}/" at)
    if(at EQUAL 0)
      set(implementation TRUE)
    endif()
  endforeach()
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
    if(NOT EXISTS "${SOURCE_DIR}/${header}")
      continue()  # a system or generated header
    endif()
    if(implementation)
      string(REGEX MATCH "^(hostapi|renderer/host|renderer/imageio|renderer/mesh)/" allowed "${header}")
      if(NOT allowed AND NOT header IN_LIST VANDREL_SELF_CONTAINED)
        string(APPEND faults "\n  ${file} includes ${header}: the host API's implementation sees only the API")
      endif()
      continue()
    endif()
    layer_of("${header}" header_rank header_name)
    if(header_rank EQUAL -1 OR header_rank GREATER rank)
      if(header_name STREQUAL "")
        set(header_name "the stand-in host")
      endif()
      string(APPEND faults "\n  ${file} (${name}) includes ${header} (${header_name}, a higher layer)")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Layer inversions:${faults}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
