# Warnings are errors in the project's own code; Qt and system headers come in as
# system includes, so their warnings stay out of it.
function(lumisnap_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A subsystem library: lumisnap_library(name SOURCES ... LIBS ... [INCLUDE_ROOT dir]).
# Its headers are included by their path below INCLUDE_ROOT, the parent folder unless
# given ("mainform/TMainForm.h"; a room of the shell passes src: "shell/watch/...").
function(lumisnap_library name)
  cmake_parse_arguments(ARG "" "INCLUDE_ROOT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_INCLUDE_ROOT)
    set(ARG_INCLUDE_ROOT ${CMAKE_CURRENT_SOURCE_DIR}/..)
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${ARG_INCLUDE_ROOT})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  lumisnap_warnings(${name})
endfunction()
