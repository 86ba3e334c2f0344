# Installing and packaging.  CMakeLists.txt includes this file last, when every target is
# defined.
#
#   Linux:   <prefix>/bin/tonedot                 the command-line renderer
#            <prefix>/lib/tonedot/T_Tonedot.so    the effect, which tonedot finds there
#            <prefix>/lib/frei0r-1/tonedot.so     the frei0r filter (frei0r/CMakeLists.txt)
#            <prefix>/share/doc/tonedot/README.md and docs/*.md (the pages, as in the source tree)
#            <prefix>/share/man/man1/tonedot.1.gz     the man page (cmake/ManPage.cmake)
#            cpack: tonedot_<version>_<arch>.deb (prefix /usr)
#   Windows: T_Tonedot.aex and README.txt (how to install it)
#            cpack: T_Tonedot-<version>-win64.zip
include_guard(GLOBAL)

set(CPACK_PACKAGE_NAME T_Tonedot)
set(CPACK_PACKAGE_VENDOR "TORVA")
set(CPACK_PACKAGE_CONTACT "TORVA")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Halftone-dot video effect")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The plug-in alone: the host loads the .aex from its plug-in folder.
  install(TARGETS T_Tonedot RUNTIME DESTINATION . COMPONENT plugin)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/PluginReadme.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION . COMPONENT plugin)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL plugin)
else()
  # cli/EffectSession.cpp looks for the effect in ../lib/tonedot from the program's folder.
  install(TARGETS T_Tonedot LIBRARY DESTINATION lib/tonedot COMPONENT effect)
  if(TARGET tonedot)
    install(TARGETS tonedot RUNTIME DESTINATION bin COMPONENT cli)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/tonedot COMPONENT effect)
  # The README links to docs/<page>.md: the pages keep that place beside it.
  file(GLOB TONEDOT_DOC_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
  install(FILES ${TONEDOT_DOC_PAGES} DESTINATION share/doc/tonedot/docs COMPONENT effect)
  include(${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)
  if(TONEDOT_MAN_PAGE)
    install(FILES ${TONEDOT_MAN_PAGE} DESTINATION share/man/man1 COMPONENT cli)
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME tonedot)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies from the libraries the programs link
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Halftone-dot video effect: the tonedot command-line renderer, the effect library it loads and the frei0r filter for ffmpeg, MLT and GStreamer.")
endif()
include(CPack)

# The package's check (tests/package/check-deb.sh): what it must hold from this build.
if(TONEDOT_BUILD_TESTS AND NOT WIN32 AND NOT TONEDOT_SANITIZE)  # sanitizer builds are not shipped
  find_program(TONEDOT_DPKG_DEB dpkg-deb)
  if(TONEDOT_DPKG_DEB)
    set(expected ./usr/lib/tonedot/T_Tonedot.so ./usr/share/doc/tonedot/README.md)
    foreach(page IN LISTS TONEDOT_DOC_PAGES)
      get_filename_component(page ${page} NAME)
      list(APPEND expected ./usr/share/doc/tonedot/docs/${page})
    endforeach()
    if(TARGET tonedot)
      list(APPEND expected ./usr/bin/tonedot)
    endif()
    if(TONEDOT_MAN_PAGE)
      list(APPEND expected ./usr/share/man/man1/tonedot.1.gz)
    endif()
    if(TARGET tonedot_frei0r)
      list(APPEND expected ./usr/lib/frei0r-1/tonedot.so)
    endif()
    add_test(NAME tonedot_package
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check-deb.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${expected})
    # cpack installs from this build folder (and may build in it): one such test at a time.
    set_tests_properties(tonedot_package PROPERTIES RESOURCE_LOCK build_folder)
  endif()
endif()
