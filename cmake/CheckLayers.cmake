# Run by the test LayerRules (cmake/Layers.cmake): builds each probe and checks that the
# probes that include a folder above their library fail on that include and the others build.
#   cmake -DBUILD_DIR=<build folder> -DCONFIG=<configuration> -DCASES=<cases.txt> -P CheckLayers.cmake
file(STRINGS ${CASES} cases)
if(NOT cases)
  message(FATAL_ERROR "no probes listed in ${CASES}")
endif()

set(config_args "")
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()

# The probes that must build go through one build together; only when that fails is each
# built alone, to name the one that cannot.
set(must_build "")
foreach(line IN LISTS cases)
  if(line MATCHES "\\|builds$")
    string(REGEX REPLACE "\\|.*" "" probe "${line}")
    list(APPEND must_build ${probe})
  endif()
endforeach()
set(all_built 1)
if(must_build)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${must_build} ${config_args}
                  RESULT_VARIABLE all_built OUTPUT_QUIET ERROR_QUIET)
endif()

set(wrong "")
foreach(line IN LISTS cases)
  string(REPLACE "|" ";" fields "${line}")
  list(GET fields 0 probe)
  list(GET fields 1 library)
  list(GET fields 2 header)
  list(GET fields 3 expected)
  if(expected STREQUAL "builds" AND all_built EQUAL 0)
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${probe} ${config_args}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # What a compiler says when an include is not on its path (GCC, Clang, MSVC).
  string(REGEX MATCH "No such file|file not found|Cannot open include file" missing "${output}")
  string(FIND "${output}" "${header}" named)
  if(expected STREQUAL "builds")
    if(NOT result EQUAL 0)
      string(APPEND wrong "${library} cannot include ${header}, which it may use:\n${output}\n")
    endif()
  elseif(result EQUAL 0)
    string(APPEND wrong "${library} can include ${header}, which lies above it\n")
  elseif(NOT missing OR named EQUAL -1)
    string(APPEND wrong "${library} with ${header} failed, but not on that include:\n${output}\n")
  else()
    message(STATUS "${library} cannot include ${header}: refused")
  endif()
endforeach()

if(wrong)
  message(FATAL_ERROR "${wrong}")
endif()
