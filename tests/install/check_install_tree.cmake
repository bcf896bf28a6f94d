cmake_minimum_required(VERSION 3.25)
# Installs the build into PREFIX and checks the tree: exactly the EXPECTED files, each
# icon a PNG of its folder's size made from ICONS/lumisnap-<size>.png (the files the
# program's window icon is built from), a desktop entry that names that icon and hands the
# program one file, and a machine-readable copyright file under the MIT licence.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
list(SORT EXPECTED)
if(NOT installed STREQUAL EXPECTED)
  string(REPLACE ";" "\n  " got "${installed}")
  string(REPLACE ";" "\n  " want "${EXPECTED}")
  message(FATAL_ERROR "installed:\n  ${got}\nexpected:\n  ${want}")
endif()

foreach(path IN LISTS installed)
  if(path MATCHES "/([0-9]+)x([0-9]+)/apps/.*\\.png$")
    math(EXPR want "${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
    # The PNG signature, then the IHDR chunk: width and height, 4 bytes each.
    file(READ "${PREFIX}/${path}" header HEX LIMIT 24)
    string(SUBSTRING "${header}" 0 16 signature)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}" OUTPUT_FORMAT HEXADECIMAL)
    math(EXPR height "0x${height}" OUTPUT_FORMAT HEXADECIMAL)
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width STREQUAL want
       OR NOT height STREQUAL want)
      message(FATAL_ERROR "${path}: not a ${CMAKE_MATCH_1}-pixel PNG (${width} x ${height})")
    endif()
    file(SHA256 "${PREFIX}/${path}" got)
    file(SHA256 "${ICONS}/lumisnap-${CMAKE_MATCH_1}.png" source)
    if(NOT got STREQUAL source)
      message(FATAL_ERROR "${path} is not ${ICONS}/lumisnap-${CMAKE_MATCH_1}.png")
    endif()
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/${DESKTOP_ID}.desktop" lines)
foreach(want "Name=Lumisnap" "Icon=${DESKTOP_ID}" "Exec=lumisnap %f")
  if(NOT want IN_LIST lines)
    message(FATAL_ERROR "the desktop entry has no line ${want}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/doc/lumisnap/copyright" lines)
foreach(want "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
        "Files: *" "License: MIT")
  if(NOT want IN_LIST lines)
    message(FATAL_ERROR "the copyright file has no line ${want}")
  endif()
endforeach()
message(STATUS "${PREFIX}: ${installed}")
