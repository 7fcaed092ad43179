# Formats every manual page in PAGE_DIR with groff, all warnings on, for
# the devices man uses (UTF-8 and ASCII terminals) and for groff's default
# typesetter; any warning is a failure. Where man-db's lexgrog is there,
# the NAME line must also read as plain text:
#   cmake -DPAGE_DIR=build/man -P check_man_pages.cmake
# Prints "SKIPPED" where groff is not installed.
find_program(groff_program groff)
find_program(lexgrog_program lexgrog)
if(NOT groff_program)
  message("SKIPPED: groff is not installed")
  return()
endif()
file(GLOB_RECURSE pages "${PAGE_DIR}/*.1")
if(NOT pages)
  message(FATAL_ERROR "no manual pages in ${PAGE_DIR}")
endif()
set(failures "")
foreach(page IN LISTS pages)
  foreach(device ps utf8 ascii)
    execute_process(COMMAND "${groff_program}" -ww -z -man -T${device} "${page}"
                    RESULT_VARIABLE status ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
      string(APPEND failures "${page} (-T${device}, status ${status}):\n${warnings}")
    endif()
  endforeach()
  # apropos and whatis take the NAME line as it is written, without groff:
  # an escape there shows as a bracketed name, such as [u0105].
  if(lexgrog_program)
    execute_process(COMMAND "${lexgrog_program}" "${page}" OUTPUT_VARIABLE whatis RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR whatis MATCHES "\\[[^]]*\\]")
      string(APPEND failures "${page}: the NAME line does not read plainly: ${whatis}\n")
    endif()
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "manual pages with faults:\n${failures}")
endif()
