# Resource scripts compiled at build time by the resource compiler of
# Debian's mingw-w64 binutils into the standard .res format, and embedded as a
# byte array. Scripts include <winres.h> from the Windows stand-in.
find_program(TESSARY_WINDRES NAMES i686-w64-mingw32-windres x86_64-w64-mingw32-windres windres REQUIRED)
find_program(TESSARY_RC_PREPROCESSOR NAMES cpp REQUIRED)

# tessary_compile_resources(OUTPUT_SOURCE SCRIPT SYMBOL DEPENDS files...)
# Compiles SCRIPT (relative to the calling folder, which is also where its
# file names resolve) and writes a source defining `SYMBOL` and `SYMBOLSize`
# into OUTPUT_SOURCE in the calling binary folder.
function(tessary_compile_resources output_source script symbol)
  cmake_parse_arguments(RC "" "" "DEPENDS" ${ARGN})
  get_filename_component(name ${script} NAME_WE)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}Res.cpp)
  add_custom_command(
    OUTPUT ${res}
    COMMAND ${TESSARY_WINDRES} --preprocessor=${TESSARY_RC_PREPROCESSOR}
            -I ${PROJECT_SOURCE_DIR}/platform/linux/winui/include -I ${CMAKE_CURRENT_SOURCE_DIR}
            -O res -i ${script} -o ${res}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DEPENDS ${script} ${PROJECT_SOURCE_DIR}/platform/linux/winui/include/winres.h ${RC_DEPENDS}
    COMMENT "Compiling resources ${script}"
    VERBATIM)
  add_custom_command(
    OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${source} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBinary.cmake
    DEPENDS ${res} ${PROJECT_SOURCE_DIR}/cmake/EmbedBinary.cmake
    VERBATIM)
  set(${output_source} ${source} PARENT_SCOPE)
endfunction()
