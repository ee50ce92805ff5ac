# Writes a manual page (roff, section 1) from a program's --help text, so
# that the page says what the program itself says and cannot drift from it.
#
#   cmake -DPROGRAM=path -DNAME=pairfit -DSUMMARY="one line" -DVERSION=1.2.3
#         -DSEE_ALSO="pairfit-batch (1)" -DOUTPUT=pairfit.1 -P man_page.cmake
#
# The help text is read as: the lines from "Usage:" to the first blank line
# are the synopsis; after them, lines that start at the margin are running
# text (filled by the formatter) and indented lines (option lists, columns)
# are kept as they are.

execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT help MATCHES "^Usage: ")
  message(FATAL_ERROR "${PROGRAM} --help did not print a usage text (status ${status})")
endif()

# CMake lists split at semicolons and treat brackets specially: keep those
# characters out of the way while the text is handled line by line.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "[" "@OPEN@" help "${help}")
string(REPLACE "]" "@CLOSE@" help "${help}")
# A minus sign, not a hyphen: options stay copyable from the rendered page.
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(synopsis "")
set(body "")
set(in_synopsis TRUE)
set(mode "")  # "text" or "verbatim": the kind of the lines being collected
foreach(line IN LISTS lines)
  if(in_synopsis)
    if(line STREQUAL "")
      set(in_synopsis FALSE)
    else()
      string(REGEX REPLACE "^(Usage:)? +" "" line "${line}")
      string(APPEND synopsis "${line}\n")
    endif()
    continue()
  endif()
  if(line STREQUAL "")
    if(mode STREQUAL "verbatim")
      string(APPEND body ".fi\n.in\n")
    endif()
    set(mode "")
    continue()
  endif()
  # (CMake's REGEX REPLACE applies ^ again after each match: the prefixes
  # are handled with MATCHES and SUBSTRING instead.)
  if(line MATCHES "^ ")
    if(NOT mode STREQUAL "verbatim")
      string(APPEND body ".PP\n.in +2n\n.nf\n")
      set(mode "verbatim")
    endif()
    if(line MATCHES "^  ")
      string(SUBSTRING "${line}" 2 -1 line)
    endif()
  elseif(NOT mode STREQUAL "text")
    if(mode STREQUAL "verbatim")
      string(APPEND body ".fi\n.in\n")
    endif()
    string(APPEND body ".PP\n")
    set(mode "text")
  endif()
  # A line that would start with a dot or quote is a request to the formatter.
  if(line MATCHES "^[.']")
    string(PREPEND line "\\&")
  endif()
  string(APPEND body "${line}\n")
endforeach()
if(mode STREQUAL "verbatim")
  string(APPEND body ".fi\n.in\n")
endif()

string(TOUPPER "${NAME}" title)
set(page ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${SUMMARY}
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
${body}.SH SEE ALSO
${SEE_ALSO}
.PP
The documentation in /usr/share/doc/pairfit (or the docs/ folder of the
source) covers every option, output and message in detail.
")
string(REPLACE "@SEMICOLON@" ";" page "${page}")
string(REPLACE "@OPEN@" "[" page "${page}")
string(REPLACE "@CLOSE@" "]" page "${page}")
file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
