# The export lists (one name a line, '#' comments, blanks ignored) read in
# one place, and what the build makes of them.

# The names of LIST_FILE, in order, into OUT_VAR.
function(qor_export_names LIST_FILE OUT_VAR)
  file(STRINGS ${LIST_FILE} lines)
  set(names "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(NOT line STREQUAL "" AND NOT line MATCHES "^#")
      list(APPEND names ${line})
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LIST_FILE})
  set(${OUT_VAR} ${names} PARENT_SCOPE)
endfunction()

# A linker version script that exports exactly the listed names and hides
# everything else.
function(qor_version_script LIST_FILE OUT_FILE)
  qor_export_names(${LIST_FILE} names)
  set(body "{\n  global:\n")
  foreach(name IN LISTS names)
    string(APPEND body "    ${name};\n")
  endforeach()
  string(APPEND body "  local:\n    *;\n};\n")
  file(WRITE ${OUT_FILE} "${body}")
endfunction()

# A Windows module-definition file that exports exactly the listed names,
# undecorated.
function(qor_def_file LIST_FILE LIBRARY OUT_FILE)
  qor_export_names(${LIST_FILE} names)
  set(body "LIBRARY ${LIBRARY}\nEXPORTS\n")
  foreach(name IN LISTS names)
    string(APPEND body "    ${name}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${OUT_FILE} CONTENT "${body}" @ONLY)
endfunction()
