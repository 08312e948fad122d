# The libFuzzer target of the definitions reader (tests/fuzz/DefinitionsFuzzer.cpp),
# built with -DNORVAK_FUZZ=ON by clang only. The option compiles every target
# of the build with AddressSanitizer, UndefinedBehaviorSanitizer and
# libFuzzer's coverage instrumentation, so give it a build folder of its own:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DNORVAK_FUZZ=ON -DNORVAK_TESTS=OFF -DNORVAK_WERROR=ON
#   cmake --build build-fuzz --target norvak_definitions_fuzzer
# scripts/fuzz.sh does that and runs it. Included from the top-level
# CMakeLists.txt before the sources, so that the flags reach norvak_import.
option(NORVAK_FUZZ "Build the libFuzzer target of the definitions reader (clang only)" OFF)

if(NORVAK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NORVAK_FUZZ needs clang: configure with CC=clang CXX=clang++ in a new build folder")
  endif()
  # Optimized, with the checks that builds without NDEBUG make (item ids,
  # name indexes) kept on.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined -UNDEBUG)
  add_link_options(-fsanitize=address,undefined)

  add_executable(norvak_definitions_fuzzer ${CMAKE_CURRENT_LIST_DIR}/DefinitionsFuzzer.cpp)
  target_link_libraries(norvak_definitions_fuzzer PRIVATE norvak_import norvak_diff)
  target_link_options(norvak_definitions_fuzzer PRIVATE -fsanitize=fuzzer)

  # The decode of records by a layout of every physical type, and the
  # encode of what it decodes (tests/fuzz/RecordDecodeFuzzer.cpp).
  add_executable(norvak_record_fuzzer ${CMAKE_CURRENT_LIST_DIR}/RecordDecodeFuzzer.cpp)
  target_link_libraries(norvak_record_fuzzer PRIVATE norvak_driver norvak_recordcodec)
  target_compile_definitions(norvak_record_fuzzer PRIVATE NORVAK_FUZZ_DIR="${CMAKE_CURRENT_LIST_DIR}")
  target_link_options(norvak_record_fuzzer PRIVATE -fsanitize=fuzzer)
endif()
