# The Windows parts of the build: the .aex's export list and resources, the Windows-only
# test program, and - when cross-compiling - wine to run what the build produces.
#
# CMakeLists.txt includes this file on Windows before it defines any target, and calls
# tonedot_windows_targets() after the effect, the host and the tests are defined.

enable_language(RC)

if(CMAKE_CROSSCOMPILING)
  # Build tools and tests are Windows programs: run them through wine, with a wine prefix
  # of this build's own (its application-data folder is what the settings tests use).
  find_program(TONEDOT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  set(TONEDOT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix for running the cross-built programs")
  if(TONEDOT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${TONEDOT_WINEPREFIX} WINEDEBUG=-all ${TONEDOT_WINE})
  else()
    message(WARNING "wine not found: the cross-built tools and tests cannot run here")
  endif()

  # Debian's GoogleTest packages hold Linux libraries only; build it from its sources.
  set(TONEDOT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
  if(TONEDOT_BUILD_TESTS AND NOT TARGET GTest::gtest_main
     AND EXISTS ${TONEDOT_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(${TONEDOT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)  # GoogleTest 1.11 and later define these themselves
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
endif()

# Windows libraries the effect's own Windows code calls, beyond the toolchain's defaults.
set(TONEDOT_WINDOWS_LIBS user32 gdi32 comctl32 shell32 advapi32)

function(tonedot_windows_targets)
  set(src ${CMAKE_SOURCE_DIR})
  set(gen ${CMAKE_BINARY_DIR}/resources)
  file(MAKE_DIRECTORY ${gen})

  # ---- the .aex: EntryPointFunc is its only export, the resources are linked in ----------
  target_sources(T_Tonedot PRIVATE ${src}/AEUtil/T_Tonedot.def)
  target_link_libraries(T_Tonedot PRIVATE ${TONEDOT_WINDOWS_LIBS})
  target_link_libraries(tonedot_effect INTERFACE ${TONEDOT_WINDOWS_LIBS})

  file(GLOB resource_scripts CONFIGURE_DEPENDS ${src}/resources/*.rc)
  target_sources(T_Tonedot PRIVATE ${resource_scripts})
  # Resource scripts find generated files (PiPL.bin, the banner bitmap) in the build's
  # resources folder and hand-made ones next to themselves.
  target_include_directories(T_Tonedot PRIVATE ${gen} ${src}/resources ${src})

  # Generated resource files: the PiPL bytes (target tonedot_pipl_bin writes
  # ${TONEDOT_PIPL_BIN}) and the banner bitmap (target tonedot_banner_bmp writes
  # ${TONEDOT_BANNER_BMP}); both land in the build's resources folder.
  set(generated "")
  foreach(pair "tonedot_pipl_bin;TONEDOT_PIPL_BIN" "tonedot_banner_bmp;TONEDOT_BANNER_BMP")
    list(GET pair 0 gen_target)
    list(GET pair 1 gen_file)
    if(TARGET ${gen_target})
      add_dependencies(T_Tonedot ${gen_target})
      if(DEFINED ${gen_file})
        list(APPEND generated ${${gen_file}})
      endif()
    endif()
  endforeach()
  if(generated)
    set_source_files_properties(${resource_scripts} PROPERTIES OBJECT_DEPENDS "${generated}")
  endif()

  # ---- the Windows-only tests -------------------------------------------------------------
  if(NOT TONEDOT_BUILD_TESTS)
    return()
  endif()

  # Without libpng (the cross build), the whole-frame tests read their reference images with
  # a PNG reader on zlib alone (Debian package libz-mingw-w64-dev), linked statically.
  if(TARGET tonedot_tests AND NOT PNG_FOUND)
    find_path(TONEDOT_ZLIB_INCLUDE zlib.h)
    find_library(TONEDOT_ZLIB_STATIC NAMES libz.a)
    if(TONEDOT_ZLIB_INCLUDE AND TONEDOT_ZLIB_STATIC)
      target_sources(tonedot_tests PRIVATE
        ${src}/tests/effect/ReferenceFrameTest.cpp ${src}/tests/win/zlib/PngFileZlib.cpp)
      target_include_directories(tonedot_tests PRIVATE ${TONEDOT_ZLIB_INCLUDE})
      target_link_libraries(tonedot_tests PRIVATE ${TONEDOT_ZLIB_STATIC})
    else()
      message(STATUS "zlib not found: the whole-frame reference tests are left out of this build")
    endif()
  endif()
  # Asks IsEnglishUI once per process; the language tests start it with the command lines
  # and Windows languages they need.
  add_executable(tonedot_language_probe ${src}/tests/win/probe/LanguageProbe.cpp)
  target_link_libraries(tonedot_language_probe PRIVATE tonedot_effect ${TONEDOT_WINDOWS_LIBS})
  target_compile_options(tonedot_language_probe PRIVATE ${TONEDOT_WARNINGS})

  file(GLOB win_test_sources CONFIGURE_DEPENDS ${src}/tests/win/*.cpp ${src}/tests/win/*.rc)
  add_executable(tonedot_win_tests ${win_test_sources})
  target_link_libraries(tonedot_win_tests PRIVATE tonedot_effect GTest::gtest_main ${TONEDOT_WINDOWS_LIBS})
  if(TARGET tonedot_host)
    target_link_libraries(tonedot_win_tests PRIVATE tonedot_host)
  endif()
  target_include_directories(tonedot_win_tests PRIVATE ${src} ${src}/tests/win)
  target_compile_options(tonedot_win_tests PRIVATE ${TONEDOT_WARNINGS})
  set(test_output ${CMAKE_BINARY_DIR}/test-output)
  file(MAKE_DIRECTORY ${test_output})
  target_compile_definitions(tonedot_win_tests PRIVATE
    TONEDOT_EFFECT_PATH="$<TARGET_FILE:T_Tonedot>"
    TONEDOT_SOURCE_DIR="${src}"
    TONEDOT_TEST_OUTPUT_DIR="${test_output}"
    TONEDOT_LANGUAGE_PROBE_PATH="$<TARGET_FILE:tonedot_language_probe>")
  add_dependencies(tonedot_win_tests T_Tonedot tonedot_language_probe)
  # One test per program run: each start of a program under wine costs time.  The language
  # tests run as a Japanese and as an English Windows (wine takes the UI language and the
  # ANSI code page from the locale it starts with); the Japanese dialog runs with the
  # Japanese code page, as on a Japanese Windows, where its Shift-JIS texts display.
  add_test(NAME tonedot_win_tests
    COMMAND tonedot_win_tests --gtest_filter=-HostLanguageWin.*:OptionsDialogWin.Japanese*
            --gtest_output=xml:${test_output}/win_tests.xml)
  set(win_tests tonedot_win_tests)
  foreach(lang "ja;ja_JP.UTF-8;:OptionsDialogWin.Japanese*" "en;en_US.UTF-8;")
    list(GET lang 0 tag)
    list(GET lang 1 locale)
    list(GET lang 2 more)
    add_test(NAME tonedot_win_language_${tag}
      COMMAND tonedot_win_tests --gtest_filter=HostLanguageWin.*${more}
              --gtest_output=xml:${test_output}/win_language_${tag}.xml)
    set_tests_properties(tonedot_win_language_${tag} PROPERTIES
      ENVIRONMENT "LC_ALL=${locale};TONEDOT_EXPECT_UI_LANGUAGE=${tag}")
    list(APPEND win_tests tonedot_win_language_${tag})
  endforeach()
  # The dialog tests show windows on a virtual X display (scripts/test-windows.sh runs ctest
  # under xvfb-run).  Under wine, all windows go on one wine desktop: wine then draws the
  # frames itself and never waits for a window manager.  The dialog tests share the
  # application-data folder, so they do not run side by side.
  if(CMAKE_CROSSCOMPILING AND TONEDOT_WINE)
    add_test(NAME tonedot_win_prefix
      COMMAND env WINEPREFIX=${TONEDOT_WINEPREFIX} WINEDEBUG=-all
              ${TONEDOT_WINE} regedit /S ${src}/tests/win/wine-desktop.reg)
    set_tests_properties(tonedot_win_prefix PROPERTIES FIXTURES_SETUP wine_prefix)
    set_tests_properties(${win_tests} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
  set_tests_properties(tonedot_win_tests tonedot_win_language_ja PROPERTIES RESOURCE_LOCK app_data)
endfunction()
