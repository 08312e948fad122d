# Checks that each layer of src/ includes only itself and the layers below
# it; run by the build before anything is compiled, so an include that
# reaches upward stops the build with the file and the header named.
#
#   cmake -DSOURCE_DIR=<src> -DSTAMP=<file> -P CheckLayers.cmake

# Layer folder, then the folders it may use.
set(layers
  "support"
  "dbsession|support"
  "import/model|support"
  "setmodel|import/model|support"
  "layout|setmodel|import/model|support"
  "codegen|layout|setmodel|import/model|support"
  "codec|layout|setmodel|import/model|support"
  "import/reader|import/model|support"
  "import/repository|setmodel|import/model|dbsession|support"
  "import/driver|import/reader|import/repository|setmodel|import/model|dbsession|support"
  "tools|import/driver|import/reader|import/repository|codegen|codec|layout|setmodel|import/model|dbsession|support"
)

set(failures "")
foreach(rule ${layers})
  string(REPLACE "|" ";" allowed "${rule}")
  list(GET allowed 0 folder)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
      set(permitted FALSE)
      foreach(prefix ${allowed})
        string(FIND "${header}" "${prefix}/" at)
        if(at EQUAL 0)
          set(permitted TRUE)
        endif()
      endforeach()
      if(NOT permitted)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        string(APPEND failures "\n  ${shown}: includes ${header}; ${folder} may use only ${allowed}")
      endif()
    endforeach()
  endforeach()
endforeach()

# The ODBC headers belong to the database session alone: every other layer
# reaches the database through it.
file(GLOB_RECURSE all_sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source ${all_sources})
  file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
  if(shown MATCHES "^dbsession/")
    continue()
  endif()
  file(STRINGS "${source}" odbc_includes REGEX "^[ \t]*#[ \t]*include[ \t]+<(sql|sqlext|sqltypes|sqlucode|odbcinst|odbcinstext)\\.h>")
  foreach(line ${odbc_includes})
    string(APPEND failures "\n  ${shown}: ${line}; only dbsession includes the ODBC headers")
  endforeach()
  # Nor does any other layer hold a raw handle of the session's.
  file(STRINGS "${source}" handle_includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"dbsession/(SessionHandles|HandleCalls)\\.h\"")
  foreach(line ${handle_includes})
    string(APPEND failures "\n  ${shown}: ${line}; the session's handles stay inside dbsession")
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes that break the layers:${failures}")
endif()
file(WRITE "${STAMP}" "layers checked\n")
