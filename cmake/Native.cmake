# Host build of platform-neutral code, for sanitizers and fuzzers.
#
#  tess_native_library(<target> SOURCES ...)  a library of platform-neutral code
#  tess_add_native_test(<name> LABEL <label> SOURCES ... [LIBS ...])
#                                  GoogleTest program under ASan and UBSan
#  tess_add_fuzzer(<name> LABEL <label> SOURCES ... [LIBS ...] [SECONDS n] [CORPUS dir] [ARGS ...])
#                                  libFuzzer target; CTest runs it for n seconds
#
# Sources compiled here never include windows.h.

set(TESS_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers ${TESS_SANITIZE})
# Coverage feedback for the fuzzers, on the libraries they link; it leaves
# the standard library out.
set(TESS_FUZZ_COVERAGE -fsanitize=fuzzer-no-link
    -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/cmake/fuzz-coverage-ignore.txt)
add_link_options(${TESS_SANITIZE})
add_compile_definitions(TESS_NATIVE=1)

find_library(TESS_GTEST_LIBRARY gtest REQUIRED)

function(tess_native_library target)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${target} STATIC ${T_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(T_LIBS)
    target_link_libraries(${target} PUBLIC ${T_LIBS})
  endif()
endfunction()

function(tess_add_native_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/NativeTestMain.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TESS_GTEST_LIBRARY} -lpthread)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME native_${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(native_${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT})
endfunction()

set(TESS_FUZZ_SECONDS 20 CACHE STRING "seconds each fuzzer runs under CTest")

function(tess_add_fuzzer name)
  cmake_parse_arguments(T "" "LABEL;SECONDS;CORPUS" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer
                         -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/cmake/fuzz-coverage-ignore.txt)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  if(NOT T_SECONDS)
    set(T_SECONDS ${TESS_FUZZ_SECONDS})
  endif()
  set(corpus_args)
  if(T_CORPUS)
    # libFuzzer writes new inputs into the first folder: keep the source clean.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    file(MAKE_DIRECTORY ${work})
    set(corpus_args ${work} ${T_CORPUS})
  endif()
  add_test(NAME fuzz_${name}
           COMMAND ${name} -max_total_time=${T_SECONDS} -rss_limit_mb=2048 -timeout=10 ${T_ARGS} ${corpus_args})
  math(EXPR limit "${T_SECONDS} * 3 + 60")
  set_tests_properties(fuzz_${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${limit})
endfunction()
