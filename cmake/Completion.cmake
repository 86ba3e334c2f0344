# The bash completion of tonedot, made at build time by cmake/make-completion.py from the built
# program's help and parameter list, followed by cli/completion.bash.  Sets TONEDOT_COMPLETION
# to its path when it is made: not in a cross build (no tonedot to run), nor in sanitizer
# builds (not shipped).  Its test, tonedot_completion, drives it as bash does.
include_guard(GLOBAL)

set(TONEDOT_COMPLETION "")
if(TARGET tonedot AND NOT CMAKE_CROSSCOMPILING AND NOT TONEDOT_SANITIZE)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    set(TONEDOT_COMPLETION ${PROJECT_BINARY_DIR}/completion/tonedot)
    add_custom_command(OUTPUT ${TONEDOT_COMPLETION}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
      COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/make-completion.py $<TARGET_FILE:tonedot>
              ${PROJECT_SOURCE_DIR}/cli/completion.bash ${TONEDOT_COMPLETION}
      DEPENDS tonedot T_Tonedot ${PROJECT_SOURCE_DIR}/cmake/make-completion.py ${PROJECT_SOURCE_DIR}/cli/completion.bash
      COMMENT "Making the bash completion of tonedot" VERBATIM)
    add_custom_target(tonedot_completion_file ALL DEPENDS ${TONEDOT_COMPLETION})
    if(TONEDOT_BUILD_TESTS)
      add_test(NAME tonedot_completion
        COMMAND bash --norc --noprofile ${PROJECT_SOURCE_DIR}/tests/package/check-completion.sh ${TONEDOT_COMPLETION})
    endif()
  else()
    message(STATUS "python3 not found: the bash completion of tonedot is not made")
  endif()
endif()
