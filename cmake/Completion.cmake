# Makes the bash completion of the programs from its template, in script mode:
#   cmake -DTEMPLATE=completion/norvak.bash.in -DOUTPUT=FILE -DBIN_DIR=DIR
#         "-DPROGRAMS=norvakload norvakshow ..." -P cmake/Completion.cmake
# The template's @NORVAK_PROGRAMS@ becomes the programs' names, and
# @NORVAK_PROGRAM_OPTIONS@ a case of the completion function for each
# program, with the options of the Options: table of its --help (the lines
# that begin with two spaces and a dash: "-f", "-q, --quiet").

separate_arguments(programs UNIX_COMMAND "${PROGRAMS}")
set(cases "")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${BIN_DIR}/${program} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
  string(FIND "${help}" "\nOptions:\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${program} --help (exit code ${result}) has no Options: table")
  endif()
  string(SUBSTRING "${help}" ${start} -1 table)
  string(SUBSTRING "${table}" 10 -1 table) # after "\nOptions:\n", the table's first line
  set(table "\n${table}")
  string(FIND "${table}" "\n\n" end)
  if(NOT end EQUAL -1)
    string(SUBSTRING "${table}" 0 ${end} table)
  endif()
  string(REGEX MATCHALL "\n  -[^ ,\n]+(, -[^ ,\n]+)*" entries "${table}")
  set(options "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\n  " "" entry "${entry}")
    string(REPLACE ", " " " entry "${entry}")
    string(APPEND options " ${entry}")
  endforeach()
  string(STRIP "${options}" options)
  if(options STREQUAL "")
    message(FATAL_ERROR "${program} --help lists no options")
  endif()
  string(APPEND cases "        ${program}) options='${options}' ;;\n")
endforeach()
string(REGEX REPLACE "\n$" "" NORVAK_PROGRAM_OPTIONS "${cases}")
string(REPLACE ";" " " NORVAK_PROGRAMS "${programs}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
