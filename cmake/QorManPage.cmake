# Makes a command's manual page from its own help, so that the page says
# what the command says: help2man turns the main help into the page, and
# each subcommand's help becomes a part of its COMMANDS section.
#   cmake -DTOOL=path -DHELP2MAN=path -DVERSION=x.y.z -DSECTIONS=sections.h2m -DOUT=page.1 -P QorManPage.cmake

function(run_help out_var)
  execute_process(COMMAND ${TOOL} ${ARGN} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} --help failed (${rc})")
  endif()
  set(${out_var} "${help}" PARENT_SCOPE)
endfunction()

# Text shown as it is in a page: backslashes and minus signs escaped, and
# no line taken for a request.
function(roff_verbatim text out_var)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

run_help(main_help)
# The closing paragraph every help ends with is said once, in the main part.
string(FIND "${main_help}" "\n\n" footer_at REVERSE)
string(SUBSTRING "${main_help}" ${footer_at} -1 footer)
string(STRIP "${footer}" footer)
# The main help's first line says what the command does.
string(REGEX MATCH "^[^\n]*" summary "${main_help}")
string(REGEX REPLACE "\\.$" "" summary "${summary}")
string(SUBSTRING "${summary}" 0 1 first)
string(TOLOWER "${first}" first)
string(SUBSTRING "${summary}" 1 -1 rest)
set(summary "${first}${rest}")

if(NOT main_help MATCHES "\nSubcommands:\n(( +[^\n]*\n)+)")
  message(FATAL_ERROR "${TOOL} --help lists no subcommands")
endif()
string(REGEX MATCHALL "(^|\n)  [a-z][a-z0-9-]*" names "${CMAKE_MATCH_1}")

set(commands "[COMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  run_help(help ${name})
  string(STRIP "${help}" help)
  string(LENGTH "${help}" help_length)
  string(LENGTH "${footer}" footer_length)
  math(EXPR body_length "${help_length} - ${footer_length}")
  if(body_length GREATER 0)
    string(SUBSTRING "${help}" ${body_length} -1 tail)
    if(tail STREQUAL footer)
      string(SUBSTRING "${help}" 0 ${body_length} help)
      string(STRIP "${help}" help)
    endif()
  endif()
  roff_verbatim("${help}" help)
  string(APPEND commands ".SS ${name}\n.nf\n${help}\n.fi\n")
endforeach()

# The sections no help holds (examples, files, environment, exit status)
# are written by hand, beside the tool's sources.
file(READ ${SECTIONS} sections)
set(include_file ${OUT}.h2m)
file(WRITE ${include_file} "${commands}\n${sections}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --version-string=${VERSION} "--name=${summary}"
          --include=${include_file} --output=${OUT} ${TOOL}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed (${rc})")
endif()
