# Installs the build into a scratch prefix and checks that a desktop finds what it needs there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(paths bin/xiangqi share/applications/xiangqi.desktop share/mime/packages/xiangqi-record.xml
          share/icons/hicolor/scalable/apps/xiangqi.svg
          share/metainfo/io.velmora.Xiangqi.metainfo.xml share/man/man6/xiangqi.6)
foreach(size ${ICON_SIZES})
  list(APPEND paths share/icons/hicolor/${size}x${size}/apps/xiangqi.png)
endforeach()
foreach(path ${paths})
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/xiangqi.desktop entry)
# PGN is the system's own type (shared-mime-info): listed as one the program opens, never made
# the default for it; XQF is ours.
foreach(line "Exec=xiangqi %f" "Icon=xiangqi"
             "MimeType=application/x-xiangqi-record;application/x-chess-pgn;application/x-xqf;")
  string(FIND "${entry}" "${line}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
# Where update-mime-database ran, the type is known by its glob.
if(EXISTS ${PREFIX}/share/mime/globs2)
  file(READ ${PREFIX}/share/mime/globs2 globs)
  foreach(glob "application/x-xiangqi-record:*.ces" "application/x-xqf:*.xqf")
    string(FIND "${globs}" "${glob}" at)
    if(at LESS 0)
      message(FATAL_ERROR "the MIME database does not map ${glob}")
    endif()
  endforeach()
endif()
# Each size is its own picture: a PNG of exactly that size (the header's width and height).
foreach(size ${ICON_SIZES})
  file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/xiangqi.png header
       OFFSET 16 LIMIT 8 HEX)
  math(EXPR hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" hex "${hex}")
  string(LENGTH "${hex}" digits)
  math(EXPR pad "8 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  if(NOT header STREQUAL "${zeros}${hex}${zeros}${hex}")
    message(FATAL_ERROR "the ${size}x${size} icon is not ${size} pixels square: ${header}")
  endif()
endforeach()
# The prefix stays for the checks of the metainfo, the desktop entry and the manual page.
message(STATUS "installed layout is complete")
