# Checks that no include of the engine runs from a lower layer to a higher
# one. Layers from the bottom: model, files, spectrum, transport, run; a
# source may include its own layer and those below it.
#   cmake -DENGINE_DIR=<engine folder> -P layers.cmake
set(layers model files spectrum transport run)
set(failures "")
foreach(layer ${layers})
  list(FIND layers ${layer} rank)
  file(GLOB sources ${ENGINE_DIR}/${layer}/*.h ${ENGINE_DIR}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target ${line})
      list(FIND layers ${target} targetRank)
      if(targetRank GREATER rank OR targetRank EQUAL -1)
        string(APPEND failures "\n  ${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "includes that run upward:${failures}")
endif()
message(STATUS "every include runs downward or within its layer")
