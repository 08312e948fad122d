# The list of programs, programs.txt: read once, from the top-level
# CMakeLists.txt, into
#   norvak_programs                      the names, in the order of the list
#   norvak_program_folder_<name>         the folder of its sources under src/
#   norvak_program_links_<name>          the libraries it links to
# and norvak_add_program(), which src/CMakeLists.txt calls for each.

set(norvak_program_list ${PROJECT_SOURCE_DIR}/programs.txt)
# A change of the list configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${norvak_program_list})
file(STRINGS ${norvak_program_list} norvak_program_lines REGEX "^[ \t]*[^# \t]")
set(norvak_programs "")
foreach(line IN LISTS norvak_program_lines)
  string(STRIP "${line}" line)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields count)
  if(count LESS 2)
    message(FATAL_ERROR "programs.txt: '${line}' names no folder")
  endif()
  list(POP_FRONT fields name folder)
  if(NOT EXISTS ${PROJECT_SOURCE_DIR}/src/${folder}/main.cpp)
    message(FATAL_ERROR "programs.txt: ${name} has no src/${folder}/main.cpp")
  endif()
  list(APPEND norvak_programs ${name})
  set(norvak_program_folder_${name} ${folder})
  set(norvak_program_links_${name} ${fields})
endforeach()

# The program `name` of the list: every source of its folder but main.cpp
# makes the static library norvak_<folder name>, linked to the program's
# libraries; main.cpp makes the program, linked to that library (or to the
# program's libraries when main.cpp is the folder's only source).
function(norvak_add_program name)
  set(folder ${PROJECT_SOURCE_DIR}/src/${norvak_program_folder_${name}})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_executable(${name} ${folder}/main.cpp)
  if(sources)
    get_filename_component(library ${folder} NAME)
    set(library norvak_${library})
    add_library(${library} STATIC ${sources})
    target_link_libraries(${library} PUBLIC ${norvak_program_links_${name}})
    target_link_libraries(${name} PRIVATE ${library})
  else()
    target_link_libraries(${name} PRIVATE ${norvak_program_links_${name}})
  endif()
endfunction()
