# The man page tonedot.1.gz, made at build time by cmake/make-man-page.sh with help2man from
# the built tonedot's own help and docs/tonedot.h2m.  Sets TONEDOT_MAN_PAGE to its path when
# it is made: not in a cross build (no tonedot to run), nor in sanitizer builds (not shipped).
include_guard(GLOBAL)

set(TONEDOT_MAN_PAGE "")
if(TARGET tonedot AND NOT CMAKE_CROSSCOMPILING AND NOT TONEDOT_SANITIZE)
  find_program(TONEDOT_HELP2MAN help2man)
  if(TONEDOT_HELP2MAN)
    set(TONEDOT_MAN_PAGE ${PROJECT_BINARY_DIR}/man/tonedot.1.gz)
    add_custom_command(OUTPUT ${TONEDOT_MAN_PAGE}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-man-page.sh $<TARGET_FILE:tonedot>
              ${PROJECT_SOURCE_DIR}/docs/tonedot.h2m ${TONEDOT_MAN_PAGE}
      DEPENDS tonedot ${PROJECT_SOURCE_DIR}/cmake/make-man-page.sh ${PROJECT_SOURCE_DIR}/docs/tonedot.h2m
      COMMENT "Making the man page tonedot.1.gz (help2man)" VERBATIM)
    add_custom_target(tonedot_man ALL DEPENDS ${TONEDOT_MAN_PAGE})
  else()
    message(STATUS "help2man not found (Debian: help2man): the man page tonedot.1 is not made")
  endif()
endif()
