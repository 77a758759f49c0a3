# Renders the manual page as man shows it; any warning of the formatter fails the check.
execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${PAGE}
                RESULT_VARIABLE result OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "man -l ${PAGE} failed (${result}):\n${warnings}")
endif()
if(NOT EXISTS ${PAGE})
  message(FATAL_ERROR "no manual page at ${PAGE}")
endif()
message(STATUS "the manual page renders cleanly")
