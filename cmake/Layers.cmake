# The layers of the code, kept by the build.
#
#   framework (AEUtil/, params/)  <-  render/, dialog/ (with resources/)  <-  effect/
#   <-  host/, cli/, frei0r/  (tests/, bench/ and fuzz/ see everything)
#
# Every folder is a library target that declares what it uses.  Its sources are written
# with includes such as "AEUtil/HostApi.h", so a library cannot be given the source tree's
# root as its include path: that would show it every folder.  Instead each library's
# include root is a folder of the build tree, layers/<library>/, holding links to its own
# source folders only; a library sees its own root and, through what it links, the roots
# of the libraries below it.  A file that includes a folder above its own fails to build,
# which the test LayerRules shows for every rule.

set(TONEDOT_LAYERS_DIR ${CMAKE_BINARY_DIR}/layers)
# Off where links cannot be made (Windows without the right to make them): the libraries
# then see the source tree's root and the layers go unchecked on that machine.
set(TONEDOT_LAYERS_KEPT ON)

# Sets `var` to the include root of library `name`, made of links to `folders`.
function(tonedot_layer_root var name)
  set(root ${TONEDOT_LAYERS_DIR}/${name})
  foreach(folder IN LISTS ARGN)
    set(target ${PROJECT_SOURCE_DIR}/${folder})
    set(link ${root}/${folder})
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} current)
      if(current STREQUAL target)
        continue()
      endif()
      file(REMOVE ${link})
    endif()
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${target} ${link} RESULT failed SYMBOLIC)
    if(failed)
      message(STATUS "Layers not kept by this build (no links in ${TONEDOT_LAYERS_DIR}: ${failed})")
      set(TONEDOT_LAYERS_KEPT OFF PARENT_SCOPE)
      set(${var} ${PROJECT_SOURCE_DIR} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${var} ${root} PARENT_SCOPE)
endfunction()

# Sets `var` to the C++ sources of `folder` for this platform (*Posix.cpp or *Win32.cpp
# left out as they do not apply).
function(tonedot_folder_sources var folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "Posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "Win32\\.cpp$")
  endif()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# The rules, each shown by a probe: a source of one line, `#include "<header>"`, compiled
# as part of library <library>.  "fails" probes must fail on that include; "builds" probes
# show that the library's own and lower headers are still found.
set(TONEDOT_LAYER_PROBES
  "tonedot_framework|params/ParamRegistry.h|builds"
  "tonedot_framework|effect/CustomFilter.h|fails"
  "tonedot_framework|render/RenderFrame.h|fails"
  "tonedot_framework|dialog/DialogBase.h|fails"
  "tonedot_framework|AEUtil/EffectIdentity.h|builds"
  "tonedot_framework|effect/Identity.h|fails"
  "tonedot_framework|TonedotVersion.h|fails"
  "tonedot_resources|effect/Identity.h|fails"
  "tonedot_render|params/ParamValues.h|builds"
  "tonedot_render|effect/ParamIds.h|fails"
  "tonedot_render|dialog/DialogTexts.h|fails"
  "tonedot_dialog|resources/OptionDialogIds.h|builds"
  "tonedot_dialog|effect/ParamTable.h|fails"
  "tonedot_dialog|render/DotShapes.h|fails"
  "tonedot_effect_objects|dialog/OptionsDialogCommand.h|builds"
  "tonedot_effect_objects|host/Host.h|fails"
  "tonedot_host|effect/ParamIds.h|fails"
  "tonedot_host|render/DotShapes.h|fails")

# Defines the probes (built only by the test) and the test LayerRules.
function(tonedot_layer_rules_test)
  if(NOT TONEDOT_LAYERS_KEPT)
    return()
  endif()
  set(dir ${TONEDOT_LAYERS_DIR}/probes)
  set(cases "")
  set(n 0)
  foreach(probe IN LISTS TONEDOT_LAYER_PROBES)
    string(REPLACE "|" ";" fields "${probe}")
    list(GET fields 0 library)
    list(GET fields 1 header)
    list(GET fields 2 expected)
    if(NOT TARGET ${library})
      continue()
    endif()
    math(EXPR n "${n} + 1")
    set(name tonedot_layer_probe_${n})
    file(CONFIGURE OUTPUT ${dir}/${name}.cpp CONTENT "#include \"${header}\"\n")
    add_library(${name} OBJECT EXCLUDE_FROM_ALL ${dir}/${name}.cpp)
    target_link_libraries(${name} PRIVATE ${library})
    string(APPEND cases "${name}|${library}|${header}|${expected}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${dir}/cases.txt CONTENT "${cases}")
  add_test(NAME LayerRules
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DCONFIG=$<CONFIG>
            -DCASES=${dir}/cases.txt -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  # The probes build in this build folder: one build at a time.
  set_tests_properties(LayerRules PROPERTIES TIMEOUT 300 RESOURCE_LOCK build_folder)
endfunction()
