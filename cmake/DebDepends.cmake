# Read by cpack (CPACK_PROJECT_CONFIG_FILE, cmake/Packaging.cmake) before it makes the Debian
# package: the Depends field, from what dpkg-shlibdeps finds that the packaged binaries
# (TONEDOT_PACKAGED_BINARIES, as built) link.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(work "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/shlibdeps")
  file(MAKE_DIRECTORY "${work}/debian")
  file(TOUCH "${work}/debian/control")  # dpkg-shlibdeps reads it, here for nothing
  execute_process(COMMAND dpkg-shlibdeps -O ${TONEDOT_PACKAGED_BINARIES}
    WORKING_DIRECTORY "${work}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]+)")
    message(FATAL_ERROR "dpkg-shlibdeps failed on ${TONEDOT_PACKAGED_BINARIES}: ${errors}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
  file(REMOVE_RECURSE "${work}")
endif()
