# The layers of the code, kept by the build.
#
#   framework (AEUtil/, params/)  <-  look/  <-  render/
#   framework  <-  dialog/ (with resources/)
#   render/, dialog/  <-  effect/  <-  host/  <-  session/  <-  print/  <-  cli/ and
#   frei0r/, which never include each other  (tests/, bench/ and fuzz/ see everything)
#
# render/ is itself layered by stage (TONEDOT_RENDER_STAGES below): base <- raster, layout;
# layout <- effectors; raster, layout <- drawing; drawing, effectors <- frame.
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
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
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

# The renderer's stages, lowest first, each a folder render/<stage>/ and a library
# tonedot_render_<stage>; TONEDOT_RENDER_USES_<stage> names the stages it builds on.
set(TONEDOT_RENDER_STAGES base raster layout effectors drawing frame)
set(TONEDOT_RENDER_USES_base "")         # shared numbers, colour conversions
set(TONEDOT_RENDER_USES_raster base)     # outlines, shapes, rasteriser, pixel writer
set(TONEDOT_RENDER_USES_layout base)     # grid, walk, random draws, ordering, dot records
set(TONEDOT_RENDER_USES_effectors layout)    # effectors, effect maps, colour blend
set(TONEDOT_RENDER_USES_drawing raster layout)  # canvas, tracer, bands
set(TONEDOT_RENDER_USES_frame drawing effectors)  # a whole frame with the host's suites

# Defines the stage libraries (the lowest over look/), tonedot_render (all of them),
# TONEDOT_RENDER_LAYERS (the libraries whose objects the effect links) and the reference
# rasteriser tonedot_render_reference (render/raster/reference/: for tests and benchmarks
# only, never in the effect).  Call after tonedot_layer_root has made each stage's root
# TONEDOT_RENDER_<stage>_ROOT.
function(tonedot_render_stages)
  set(layers "")
  foreach(stage IN LISTS TONEDOT_RENDER_STAGES)
    set(uses "")
    foreach(used IN LISTS TONEDOT_RENDER_USES_${stage})
      list(APPEND uses tonedot_render_${used})
    endforeach()
    if(NOT uses)
      set(uses tonedot_look)
    endif()
    tonedot_effect_layer(tonedot_render_${stage} render/${stage} ${TONEDOT_RENDER_${stage}_ROOT} ${uses})
    list(APPEND layers tonedot_render_${stage})
  endforeach()
  add_library(tonedot_render INTERFACE)
  target_link_libraries(tonedot_render INTERFACE tonedot_render_frame)
  set(TONEDOT_RENDER_LAYERS ${layers} PARENT_SCOPE)

  tonedot_folder_sources(sources render/raster/reference)
  add_library(tonedot_render_reference STATIC ${sources})
  target_link_libraries(tonedot_render_reference PUBLIC tonedot_render_raster)
  target_compile_options(tonedot_render_reference PRIVATE ${TONEDOT_WARNINGS})
endfunction()

# The rules, each shown by a probe: a source of one line, `#include "<header>"`, compiled
# as part of library <library>.  "fails" probes must fail on that include; "builds" probes
# show that the library's own and lower headers are still found.
set(TONEDOT_LAYER_PROBES
  "tonedot_framework|params/ParamRegistry.h|builds"
  "tonedot_framework|effect/CustomFilter.h|fails"
  "tonedot_framework|render/frame/RenderFrame.h|fails"
  "tonedot_framework|dialog/DialogBase.h|fails"
  "tonedot_framework|look/ParamValues.h|fails"
  "tonedot_framework|look/SequenceUIState.h|fails"
  "tonedot_look|AEUtil/RenderRecord.h|builds"
  "tonedot_look|render/base/Constants.h|fails"
  "tonedot_look|effect/ParamIds.h|fails"
  "tonedot_render|look/ParamValues.h|builds"
  "tonedot_framework|AEUtil/EffectIdentity.h|builds"
  "tonedot_framework|effect/Identity.h|fails"
  "tonedot_framework|TonedotVersion.h|fails"
  "tonedot_resources|effect/Identity.h|fails"
  "tonedot_render|effect/ParamIds.h|fails"
  "tonedot_render|dialog/DialogTexts.h|fails"
  "tonedot_render_base|look/Choices.h|builds"
  "tonedot_render_base|render/raster/SampleGrid.h|fails"
  "tonedot_render_raster|render/layout/DotRecord.h|fails"
  "tonedot_render_raster|render/frame/RenderFrame.h|fails"
  "tonedot_render_layout|render/raster/DotShapes.h|fails"
  "tonedot_render_layout|render/effectors/ColorBlend.h|fails"
  "tonedot_render_effectors|render/drawing/DotCanvas.h|fails"
  "tonedot_render_drawing|render/frame/DrawDots.h|fails"
  "tonedot_render_drawing|render/effectors/Effector.h|fails"
  "tonedot_dialog|resources/OptionDialogIds.h|builds"
  "tonedot_dialog|effect/ParamTable.h|fails"
  "tonedot_dialog|render/raster/DotShapes.h|fails"
  "tonedot_dialog|look/ParamValues.h|fails"
  "tonedot_effect_objects|dialog/OptionsDialogCommand.h|builds"
  "tonedot_effect_objects|look/SequenceUIState.h|builds"
  "tonedot_effect_objects|host/Host.h|fails"
  "tonedot_host|effect/ParamIds.h|fails"
  "tonedot_host|render/raster/DotShapes.h|fails"
  "tonedot_session|host/Host.h|builds"
  "tonedot_session|cli/ExitCodes.h|fails"
  "tonedot_session|frei0r/Frei0rParams.h|fails"
  "tonedot_session|print/InkScreen.h|fails"
  "tonedot_print|session/EffectSession.h|builds"
  "tonedot_print|cli/ExitCodes.h|fails"
  "tonedot_print|frei0r/Filter.h|fails"
  "tonedot_cli_core|print/PrintScreen.h|builds"
  "tonedot_cli_core|frei0r/Frei0rParams.h|fails"
  "tonedot_frei0r_core|print/PrintScreen.h|builds"
  "tonedot_frei0r_core|cli/ExitCodes.h|fails")

# look/ and most of the renderer are headers, which no source of their own folder compiles:
# each of their headers is therefore a probe of its own, built alone as part of its library,
# so that a header that reaches above its layer or stage fails there as a source would.
function(tonedot_header_probes var)
  set(probes "")
  set(folders "look|tonedot_look")
  foreach(stage IN LISTS TONEDOT_RENDER_STAGES)
    list(APPEND folders "render/${stage}|tonedot_render_${stage}")
  endforeach()
  foreach(entry IN LISTS folders)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 folder)
    list(GET fields 1 library)
    file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      list(APPEND probes "${library}|${header}|builds")
    endforeach()
  endforeach()
  set(${var} ${probes} PARENT_SCOPE)
endfunction()

# Defines the probes (built only by the test) and the test LayerRules.
function(tonedot_layer_rules_test)
  if(NOT TONEDOT_LAYERS_KEPT)
    return()
  endif()
  set(dir ${TONEDOT_LAYERS_DIR}/probes)
  set(cases "")
  set(n 0)
  tonedot_header_probes(header_probes)
  foreach(probe IN LISTS TONEDOT_LAYER_PROBES header_probes)
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
  set_tests_properties(LayerRules PROPERTIES TIMEOUT 1200 RESOURCE_LOCK build_folder)
endfunction()

# A static library `name` of the sources of `folder`, seen by its users as "<folder>/...",
# over `ARGN` (the libraries outside the effect: session/, print/).
function(tonedot_folder_library name folder)
  tonedot_layer_root(root ${name} ${folder})
  tonedot_folder_sources(sources ${folder})
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)  # plug-ins link it
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARGN})
  target_compile_options(${name} PRIVATE ${TONEDOT_WARNINGS})
endfunction()
