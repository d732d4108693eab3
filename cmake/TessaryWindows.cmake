# The Windows build (cross-built with mingw-w64, see tools/build-windows.sh):
# TessaryMixer.exe, TessarySettings.exe and TessaryDiag.exe on the system's own
# interfaces, and the helper programs of the tests that run them under Wine.
enable_language(RC)
set(ZLIB_USE_STATIC_LIBS ON)
# Every program is a static executable of its own: no mingw runtime DLLs to ship.
add_link_options(-static -static-libgcc -static-libstdc++)
# As JUCE defines it (empty), so that its headers and ours agree: no min and max macros.
add_compile_definitions(NOMINMAX=)

# tessary_windows_resources(TARGET DESCRIPTION MANIFEST [ICON]): the
# executable's version resource, manifest and, where its own resources have
# none, its icon (the first icon is the one the shell and the window show).
function(tessary_windows_resources target description manifest)
  set(TESSARY_RC_TARGET "${target}")
  set(TESSARY_RC_DESCRIPTION "${description}")
  set(TESSARY_RC_MANIFEST "${manifest}")
  set(TESSARY_RC_FILENAME "${target}.exe")
  set(TESSARY_RC_ICON_LINE "")
  if(ARGC GREATER 3)
    set(TESSARY_RC_ICON_LINE "1 ICON \"${ARGV3}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}Version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ProgramVersion.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

if(TESSARY_WINDOWS_JUCE_PROGRAMS)
  include(TessaryJuce)
endif()
add_subdirectory(platform)
add_subdirectory(device)
if(TESSARY_WINDOWS_JUCE_PROGRAMS)
  add_subdirectory(mixer)
  add_subdirectory(diag)
endif()
add_subdirectory(settings)
if(TESSARY_BUILD_TESTS)
  enable_testing()
  # The device layer's and settings commands' tests, built with Debian's
  # GoogleTest sources, run against the simulated driver under Wine (64-bit
  # only, as it is).
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/device)
    add_subdirectory(tests/settings)
  endif()
  add_subdirectory(tests/windows)
endif()
if(TESSARY_WINDOWS_JUCE_PROGRAMS)
  include(TessaryWindowsPackage)
endif()
if(TESSARY_BUILD_BENCH AND TESSARY_WINDOWS_JUCE_PROGRAMS)
  add_subdirectory(bench/windows)
endif()
