# Warnings are errors in the project's own code; Qt and system headers come in as
# system includes, so their warnings stay out of it.
function(lumisnap_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A subsystem library: lumisnap_library(name SOURCES ... LIBS ...)
function(lumisnap_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  lumisnap_warnings(${name})
endfunction()
