# The layer check refuses a core header that includes an editor header and a binding file that
# includes the stand-in host, and accepts the same tree once the includes point downwards.
#   cmake -DCHECKER=<check_layers.cmake> -DWORK=<scratch folder> -P check_layers_test.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/core" "${WORK}/editor" "${WORK}/host" "${WORK}/renderer")
file(WRITE "${WORK}/editor/window.h" "#pragma once\n")
file(WRITE "${WORK}/renderer/render.h" "#pragma once\n")
file(WRITE "${WORK}/core/tree.h" "#include <vector>\n#include \"core/other.h\"\n")
file(WRITE "${WORK}/core/other.h" "#pragma once\n")

function(run expect_failure what)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK} -P ${CHECKER}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(expect_failure AND rc EQUAL 0)
    message(FATAL_ERROR "${what}: the check passed")
  endif()
  if(NOT expect_failure AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${what}: the check failed:\n${err}")
  endif()
  set(last_error "${err}" PARENT_SCOPE)
endfunction()

run(FALSE "a tree whose includes point downwards")
file(APPEND "${WORK}/core/tree.h" "#include \"editor/window.h\"\n")
run(TRUE "core including the editor")
if(NOT last_error MATCHES "core/tree.h \\(core\\) includes editor/window.h")
  message(FATAL_ERROR "the message does not name the inversion:\n${last_error}")
endif()
file(WRITE "${WORK}/core/tree.h" "#pragma once\n")
file(WRITE "${WORK}/host/plugin.cpp" "#include \"renderer/render.h\"\n")
run(TRUE "the binding including the stand-in host")
