# Builds one manual page for installation: the page of man/ with the
# toolset version in its .TH line, compressed as Debian installs manual pages
# (gzip -9n: best compression, no file name or time stamp, so the same page
# gives the same bytes).
#
#   cmake -DSOURCE=<man/X.1> -DOUTPUT=<dir/X.1.gz> -DVERSION=<x.y.z> -DGZIP=<gzip> -P ManPage.cmake

file(READ "${SOURCE}" page)
# The fourth field of .TH names the toolset and its version: "norvak 1.1.0".
string(REGEX REPLACE "(\n\\.TH [^\n\"]*\")norvak [^\"\n]*\"" "\\1norvak ${VERSION}\"" versioned "${page}")
if(NOT versioned MATCHES "\n\\.TH [^\n]*\"norvak ${VERSION}\"")
  message(FATAL_ERROR "${SOURCE}: no .TH line of the form .TH NAME 1 DATE \"norvak VERSION\" \"TITLE\"")
endif()
string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${versioned}")
execute_process(COMMAND "${GZIP}" -9 -n -f "${plain}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${GZIP} could not compress ${plain}")
endif()
