# Makes an installable manual page from its source in man/:
#   cmake -DSOURCE=page.1 -DOUTPUT=page.1 -DVERSION=x.y.z -P man_page.cmake
#
# The source is written in UTF-8 with @PROJECT_VERSION@ on its .TH line.
# The page made from it is plain ASCII: every Polish letter and quotation
# mark becomes a groff escape, so that groff reads the page the same way
# with or without a preprocessor for the input encoding, and fallbacks are
# defined for the devices whose fonts lack those characters (PostScript
# fonts have no ogonek letters, a plain ASCII terminal has none of them).
# Any other character outside ASCII stops the build: it would need an
# escape of its own.

foreach(variable SOURCE OUTPUT VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "man_page.cmake: ${variable} is not set")
  endif()
endforeach()

# character | groff escape | fallback on a typesetter | fallback on a terminal
set(characters
  "ą|\\[u0105]|\\o'a\\[ho]'|a" "Ą|\\[u0104]|\\o'A\\[ho]'|A"
  "ć|\\[u0107]|\\o'c\\[aa]'|c" "Ć|\\[u0106]|\\o'C\\[aa]'|C"
  "ę|\\[u0119]|\\o'e\\[ho]'|e" "Ę|\\[u0118]|\\o'E\\[ho]'|E"
  "ł|\\[u0142]|\\o'l\\[hy]'|l" "Ł|\\[u0141]|\\o'L\\[hy]'|L"
  "ń|\\[u0144]|\\o'n\\[aa]'|n" "Ń|\\[u0143]|\\o'N\\[aa]'|N"
  "ó|\\[u00F3]|\\o'o\\[aa]'|o" "Ó|\\[u00D3]|\\o'O\\[aa]'|O"
  "ś|\\[u015B]|\\o's\\[aa]'|s" "Ś|\\[u015A]|\\o'S\\[aa]'|S"
  "ź|\\[u017A]|\\o'z\\[aa]'|z" "Ź|\\[u0179]|\\o'Z\\[aa]'|Z"
  "ż|\\[u017C]|\\o'z\\[a.]'|z" "Ż|\\[u017B]|\\o'Z\\[a.]'|Z"
  "„|\\[Bq]|,,|\\(dq"           "”|\\[rq]|''|\\(dq"
)

file(READ "${SOURCE}" page)
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")

set(typesetter_fallbacks "")
set(terminal_fallbacks "")
foreach(entry IN LISTS characters)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 character)
  list(GET fields 1 escape)
  list(GET fields 2 typeset)
  list(GET fields 3 plain)
  string(REPLACE "${character}" "${escape}" page "${page}")
  string(APPEND typesetter_fallbacks ".fchar ${escape} ${typeset}\n")
  string(APPEND terminal_fallbacks ".fchar ${escape} ${plain}\n")
endforeach()

string(REGEX MATCH "[^\t\n -~][^\n]*" stray "${page}")
if(stray)
  message(FATAL_ERROR "${SOURCE}: a character without a groff escape at: ${stray}")
endif()

# The fallbacks go right before the .TH line, whose texts need them too;
# .fchar is used only where the device has no glyph of its own, and only
# groff knows it.
string(FIND "${page}" "\n.TH " title_start)
if(title_start EQUAL -1)
  message(FATAL_ERROR "${SOURCE}: no .TH line")
endif()
math(EXPR title_start "${title_start} + 1")
string(SUBSTRING "${page}" 0 ${title_start} head)
string(SUBSTRING "${page}" ${title_start} -1 body)
set(fallbacks
  ".\\\" Fallbacks for fonts without Polish letters.\n"
  ".if \\n(.g \\{\\\n"
  ".ie t \\{\\\n${typesetter_fallbacks}.\\}\n"
  ".el \\{\\\n${terminal_fallbacks}.\\}\n"
  ".\\}\n")
string(CONCAT page "${head}" ${fallbacks} "${body}")

file(WRITE "${OUTPUT}" "${page}")
