# cmake -DPROGRAM=<file> -DNAME=<name> -DSUMMARY=<text> -DVERSION=<x.y> [-DSEE_ALSO=<name>]
#       -DOUTPUT=<file.1> -P WriteManPage.cmake
# Runs PROGRAM --help and writes its text as the DESCRIPTION of a section 1 manual page.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 ${PROGRAM} --help
  OUTPUT_VARIABLE text
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR text STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help gave no text (exit ${result}): ${errors}")
endif()

# The settings file --help names is the one of the program that ran here; the page says where an
# installed program keeps its settings.
string(REGEX REPLACE "\nSettings: [^\n]*" "\nSettings: ombrix.INI beside the program while it can be written there, else\n$XDG_CONFIG_HOME/ombrix/ombrix.INI (by default ~/.config/ombrix/ombrix.INI)"
       text "${text}")

# Plain text into roff: a backslash is written \e; a minus \- (a plain "-" may be typeset as a
# hyphen, which does not work when an option is copied from the page into a command line); a line
# that starts with "." or "'" is shielded with \& so that it is not read as a request.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" text "\n${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

roff_text(text "${text}")
if(NOT text MATCHES "\n$")
  string(APPEND text "\n")
endif()
roff_text(name "${NAME}")
roff_text(summary "${SUMMARY}")
string(TOUPPER "${name}" title)

set(page ".TH ${title} 1 \"\" \"Ombrix ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${name} \\- ${summary}\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${text}.fi\n")
if(SEE_ALSO)
  roff_text(see_also "${SEE_ALSO}")
  string(APPEND page ".SH SEE ALSO\n.BR ${see_also} (1)\n")
endif()
file(WRITE "${OUTPUT}" "${page}")
