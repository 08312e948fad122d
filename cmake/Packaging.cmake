# Installation and the Debian package.
#
#   cmake --install build --prefix /usr/local   the programs, manual pages,
#                                               documentation, examples and
#                                               bash completion under a prefix
#   (cd build && cpack -G DEB)                  norvak_VERSION_ARCH.deb, which
#                                               installs the same under /usr
#
# Included from the top-level CMakeLists.txt after the programs' targets.

include(GNUInstallDirs)

# The programs are those of programs.txt (norvak_programs, cmake/Programs.cmake).
install(TARGETS ${norvak_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages, section 1, compressed as Debian policy asks.
find_program(NORVAK_GZIP gzip REQUIRED)
set(norvak_man_pages "")
foreach(program ${norvak_programs})
  set(source ${PROJECT_SOURCE_DIR}/man/${program}.1)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DOUTPUT=${page} -DVERSION=${PROJECT_VERSION}
            -DGZIP=${NORVAK_GZIP} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Building the manual page of ${program}")
  list(APPEND norvak_man_pages ${page})
endforeach()
add_custom_target(norvak_man_pages ALL DEPENDS ${norvak_man_pages})
install(FILES ${norvak_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The README, the documentation, the licence and the shipped examples: the
# definitions files and a data source for each database.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/definitions-format.md
              ${PROJECT_SOURCE_DIR}/docs/export.md ${PROJECT_SOURCE_DIR}/docs/diff.md
              ${PROJECT_SOURCE_DIR}/docs/apply.md ${PROJECT_SOURCE_DIR}/docs/json.md
              ${PROJECT_SOURCE_DIR}/docs/generate.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The JSON Schema of each program's --format json document.
file(GLOB norvak_schemas CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/schemas/*.schema.json)
install(FILES ${norvak_schemas} DESTINATION ${CMAKE_INSTALL_DOCDIR}/schemas)
file(GLOB norvak_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.xml ${PROJECT_SOURCE_DIR}/examples/*.ini)
install(FILES ${norvak_examples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# The copyright notice and the changelog where Debian looks for them,
# compressed as Debian compresses a changelog (gzip -9n).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(norvak_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${norvak_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog
  COMMAND ${NORVAK_GZIP} -9 -n -f ${PROJECT_BINARY_DIR}/packaging/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog")
add_custom_target(norvak_changelog ALL DEPENDS ${norvak_changelog})
install(FILES ${norvak_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Bash completion: bash-completion loads a program's completion on demand from
# a file of the program's name, so the one file is installed under the name of
# the first program of the list and each other program gets a link to it. The
# file is made from completion/norvak.bash.in once the programs are built: the
# programs it completes, and the options of each, as its --help lists them.
set(norvak_completions ${PROJECT_BINARY_DIR}/completion)
file(MAKE_DIRECTORY ${norvak_completions})
list(GET norvak_programs 0 norvak_completion_name)
set(norvak_completion ${norvak_completions}/${norvak_completion_name})
string(REPLACE ";" " " norvak_program_words "${norvak_programs}")
add_custom_command(
  OUTPUT ${norvak_completion}
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${PROJECT_SOURCE_DIR}/completion/norvak.bash.in -DOUTPUT=${norvak_completion}
          -DBIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY} "-DPROGRAMS=${norvak_program_words}"
          -P ${PROJECT_SOURCE_DIR}/cmake/Completion.cmake
  DEPENDS ${norvak_programs} ${PROJECT_SOURCE_DIR}/completion/norvak.bash.in
          ${PROJECT_SOURCE_DIR}/cmake/Completion.cmake
  COMMENT "Making the bash completion of the programs")
add_custom_target(norvak_completion ALL DEPENDS ${norvak_completion})
set(norvak_completion_files ${norvak_completion})
foreach(program ${norvak_programs})
  if(NOT program STREQUAL norvak_completion_name)
    file(CREATE_LINK ${norvak_completion_name} ${norvak_completions}/${program} SYMBOLIC)
    list(APPEND norvak_completion_files ${norvak_completions}/${program})
  endif()
endforeach()
install(FILES ${norvak_completion_files} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)

# The Debian package: cpack -G DEB in the build folder.
set(NORVAK_PACKAGE_MAINTAINER "Norvak maintainers <norvak-maintainers@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Norvak")
set(CPACK_PACKAGE_CONTACT "${NORVAK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tools that keep message definitions in a relational repository")
set(CPACK_PACKAGE_DESCRIPTION "Command-line tools that maintain the message definitions of a repository
reached through ODBC (SQLite or PostgreSQL): norvakinit creates the
repository tables and message sets, norvakload imports a definitions file
into a message set and commits once or rolls everything back, norvakshow
lists message sets and their messages, norvakexport writes a message set back
as a definitions file or as canonical rows, norvakdiff shows what a
definitions file would change in a message set (or against another file) and
whether each change breaks a wire format, norvakapply plans how a message
set is made to match a definitions file, with a dry run and gates on
breaking changes and removals, and norvakpurge removes a message set.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORVAK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link (the ODBC driver manager, libuuid, the C and
# C++ run-time) come from dpkg-shlibdeps; unixodbc brings the driver manager's
# configuration and tools; the SQLite ODBC driver holds the repository in
# memory that norvakdiff (and norvakload's check of the items it keeps)
# imports into, and the PostgreSQL driver is what a server repository needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "unixodbc, libsqliteodbc")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Programs are installed stripped, as in any Debian package.
set(CPACK_STRIP_FILES ON)
include(CPack)
