# Installing and packaging.  CMakeLists.txt includes this file last, when every target is
# defined.
#
#   Linux:   <prefix>/bin/tonedot                 the command-line renderer
#            <prefix>/lib/tonedot/T_Tonedot.so    the effect, which tonedot finds there
#            <prefix>/lib/frei0r-1/tonedot.so     the frei0r filter (frei0r/CMakeLists.txt)
#            <prefix>/share/kdenlive/effects/frei0r_tonedot.xml, <prefix>/share/shotcut/qml/filters/tonedot/
#                                                 its panels in Kdenlive and Shotcut (the same file)
#            <prefix>/share/doc/tonedot/README.md and docs/*.md (the pages, as in the source tree)
#            <prefix>/share/doc/tonedot/copyright, changelog.gz   the Debian copyright file and changelog
#            <prefix>/share/man/man1/tonedot.1.gz     the man page (cmake/ManPage.cmake)
#            <prefix>/share/bash-completion/completions/tonedot   bash completion (cmake/Completion.cmake)
#            cpack: tonedot_<version>_<arch>.deb (prefix /usr), which lintian passes
#   Windows: T_Tonedot.aex and README.txt (how to install it)
#            cpack: T_Tonedot-<version>-win64.zip
include_guard(GLOBAL)

set(CPACK_PACKAGE_NAME T_Tonedot)
set(CPACK_PACKAGE_VENDOR "TORVA")
# Who looks after the package: its Maintainer, the changelog's signature, the copyright
# file's contact.
set(TONEDOT_MAINTAINER "TORVA tonedot developers <tonedot@torva.example.com>")
set(CPACK_PACKAGE_CONTACT "${TONEDOT_MAINTAINER}")
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
  include(${CMAKE_CURRENT_LIST_DIR}/Completion.cmake)
  if(TONEDOT_COMPLETION)
    install(FILES ${TONEDOT_COMPLETION} DESTINATION share/bash-completion/completions COMPONENT cli)
  endif()

  # The Debian copyright file (machine-readable, DEP-5) and changelog (one entry: this
  # version, dated by the last commit, or SOURCE_DATE_EPOCH, so that builds repeat).
  set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT saved_epoch)
    execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
      OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  endif()
  string(TIMESTAMP TONEDOT_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  string(TIMESTAMP TONEDOT_YEAR "%Y" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  find_program(TONEDOT_GZIP gzip REQUIRED)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
    COMMAND ${TONEDOT_GZIP} -9nkf ${PROJECT_BINARY_DIR}/debian/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
  add_custom_target(tonedot_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION share/doc/tonedot COMPONENT effect)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME tonedot)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  # Depends: from the libraries the programs link (dpkg-shlibdeps), found by
  # cmake/DebDepends.cmake rather than by CPack's own pass, which adds postinst and postrm
  # scripts that run ldconfig for any library under usr/lib/*/, though ours are private ones
  # that the loader's path never holds.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(TONEDOT_PACKAGED_BINARIES $<TARGET_FILE:T_Tonedot>)
  foreach(target tonedot tonedot_frei0r)
    if(TARGET ${target})
      list(APPEND TONEDOT_PACKAGED_BINARIES $<TARGET_FILE:${target}>)
    endif()
  endforeach()
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake CONTENT
    "set(TONEDOT_PACKAGED_BINARIES \"${TONEDOT_PACKAGED_BINARIES}\")\ninclude(${CMAKE_CURRENT_LIST_DIR}/DebDepends.cmake)\n")
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
  # The synopsis above, then lines of at most 80 characters.
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The tonedot command-line renderer of halftone-dot images and videos, the\n"
    "effect library it loads, and a frei0r filter of the same effect for\n"
    "ffmpeg, MLT and GStreamer.")
endif()
include(CPack)

# The package's check (tests/package/check-deb.sh): what it must hold from this build.
if(TONEDOT_BUILD_TESTS AND NOT WIN32 AND NOT TONEDOT_SANITIZE)  # sanitizer builds are not shipped
  find_program(TONEDOT_DPKG_DEB dpkg-deb)
  if(TONEDOT_DPKG_DEB)
    set(expected ./usr/lib/tonedot/T_Tonedot.so ./usr/share/doc/tonedot/README.md
      ./usr/share/doc/tonedot/copyright ./usr/share/doc/tonedot/changelog.gz)
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
    if(TONEDOT_COMPLETION)
      list(APPEND expected ./usr/share/bash-completion/completions/tonedot)
    endif()
    if(TARGET tonedot_frei0r)
      list(APPEND expected ./usr/lib/frei0r-1/tonedot.so)
    endif()
    if(TONEDOT_PANELS_DIR)
      list(APPEND expected ./usr/share/kdenlive/effects/frei0r_tonedot.xml
        ./usr/share/shotcut/qml/filters/tonedot/meta.qml ./usr/share/shotcut/qml/filters/tonedot/ui.qml)
    endif()
    add_test(NAME tonedot_package
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check-deb.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${expected})
    # cpack installs from this build folder (and may build in it): one such test at a time.
    set_tests_properties(tonedot_package PROPERTIES RESOURCE_LOCK build_folder)
  endif()
endif()
