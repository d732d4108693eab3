# JUCE 7 from the system, compiled once into one static library that every
# program and test links. Consumers get JUCE's headers and definitions, not its
# sources, so a clean build compiles each JUCE module exactly once.
if(CMAKE_CROSSCOMPILING)
  # Debian's JUCE CMake package belongs to the build machine; the modules it
  # points at are sources, built here for the target.
  file(GLOB tessary_juce_config_dirs /usr/lib/*/cmake/JUCE-*)
  find_package(JUCE CONFIG REQUIRED PATHS ${tessary_juce_config_dirs} NO_CMAKE_FIND_ROOT_PATH)
else()
  find_package(JUCE CONFIG REQUIRED)
endif()

add_library(tessary_juce STATIC)
target_link_libraries(tessary_juce
  PRIVATE
    juce::juce_core
    juce::juce_events
    juce::juce_data_structures
    juce::juce_graphics
    juce::juce_gui_basics
  PUBLIC
    juce::juce_recommended_config_flags)

set(TESSARY_JUCE_DEFINITIONS
  JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
  JUCE_STANDALONE_APPLICATION=1
  JUCE_DISPLAY_SPLASH_SCREEN=0
  JUCE_USE_CURL=0
  JUCE_WEB_BROWSER=0
  JUCE_USE_XSHM=1
  JUCE_MODULE_AVAILABLE_juce_core=1
  JUCE_MODULE_AVAILABLE_juce_events=1
  JUCE_MODULE_AVAILABLE_juce_data_structures=1
  JUCE_MODULE_AVAILABLE_juce_graphics=1
  JUCE_MODULE_AVAILABLE_juce_gui_basics=1)
target_compile_definitions(tessary_juce PUBLIC ${TESSARY_JUCE_DEFINITIONS})

get_target_property(_juce_core_include juce::juce_core INTERFACE_INCLUDE_DIRECTORIES)
target_include_directories(tessary_juce SYSTEM PUBLIC ${_juce_core_include})

find_package(Threads REQUIRED)
if(WIN32)
  # JUCE draws text through GDI: Wine has no DirectWrite, and the programs need none.
  target_compile_definitions(tessary_juce PUBLIC JUCE_USE_DIRECTWRITE=0)
  # Debian's JUCE takes PNG, JPEG and zlib from the system: here the libraries
  # tools/build-windows.sh cross-built, and mingw-w64's zlib.
  find_package(ZLIB REQUIRED)
  find_library(TESSARY_PNG_LIBRARY NAMES png16 png REQUIRED)
  find_library(TESSARY_JPEG_LIBRARY NAMES jpeg REQUIRED)
  find_path(TESSARY_IMAGE_INCLUDE_DIR png.h REQUIRED)
  target_include_directories(tessary_juce SYSTEM PUBLIC ${TESSARY_IMAGE_INCLUDE_DIR})
  target_link_libraries(tessary_juce PUBLIC ${TESSARY_PNG_LIBRARY} ${TESSARY_JPEG_LIBRARY} ZLIB::ZLIB
    Threads::Threads)
  return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(TESSARY_FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(TESSARY_FONTCONFIG IMPORTED_TARGET fontconfig)
# Debian builds juce_graphics against the system PNG, JPEG and zlib libraries.
pkg_check_modules(TESSARY_IMAGE_LIBS REQUIRED IMPORTED_TARGET libpng libjpeg zlib)
target_link_libraries(tessary_juce PUBLIC PkgConfig::TESSARY_FREETYPE PkgConfig::TESSARY_IMAGE_LIBS Threads::Threads ${CMAKE_DL_LIBS} rt)
if(TESSARY_FONTCONFIG_FOUND)
  target_link_libraries(tessary_juce PUBLIC PkgConfig::TESSARY_FONTCONFIG)
endif()

# JUCE loads the X libraries at run time and unloads them at exit, which leaves
# the leak checker unable to name their process-lifetime caches. In sanitizer
# builds every JUCE program and test links them, so they stay loaded and the
# suppressions in tools/lsan.supp apply.
if(TESSARY_SANITIZE)
  foreach(library libX11.so.6 libXext.so.6 libXcursor.so.1 libXinerama.so.1 libXrender.so.1 libXrandr.so.2)
    find_library(tessary_x_${library} NAMES ${library})
    if(tessary_x_${library})
      target_link_libraries(tessary_juce PUBLIC "-Wl,--no-as-needed" ${tessary_x_${library}} "-Wl,--as-needed")
    endif()
  endforeach()
endif()

