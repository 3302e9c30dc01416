# Helpers for the winelib build.
#
#  tess_win32_target(<target>)   Win32 code: wide characters as char16_t.
#  tess_media_target(<target>)   media code (engine, player): compiled with the
#                                Windows macro family switched off, so that the
#                                FFmpeg and SDL2 headers compile; it reaches the
#                                platform only through framework headers.
#  tess_add_gtest(<name> LABEL <label> SOURCES ... [LIBS ...])
#                                a winelib GoogleTest executable run by CTest
#                                inside the shared Wine session (tools/wine-exec).

# _USE_MATH_DEFINES: Windows C libraries declare M_PI and its kin only when
# asked; the same source then builds with MinGW.
set(TESS_COMMON_FLAGS -fno-short-wchar -UWINE_UNICODE_NATIVE -DNOMINMAX -DUNICODE -D_UNICODE -D_USE_MATH_DEFINES
    -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
set(TESS_NO_WIN_MACROS -U_WIN32 -UWIN32 -U__WIN32 -U__WIN32__ -U_WIN64 -UWIN64
    -U__WIN64 -U__WIN64__ -U__WINNT -U__WINNT__)

function(tess_win32_target target)
  target_compile_options(${target} PRIVATE ${TESS_COMMON_FLAGS})
endfunction()

function(tess_media_target target)
  target_compile_options(${target} PRIVATE ${TESS_COMMON_FLAGS} ${TESS_NO_WIN_MACROS})
endfunction()

# A winelib executable: wineg++ writes <name>.exe.so plus a launcher <name>.exe.
function(tess_winelib_executable target)
  set_target_properties(${target} PROPERTIES SUFFIX ".exe")
  target_link_options(${target} PRIVATE -fno-short-wchar)
endfunction()

# GoogleTest's headers live in /usr/include already; its imported CMake
# target would add that folder as -isystem and break the C++ headers'
# include_next order, so link the library by itself.
find_library(TESS_GTEST_LIBRARY gtest REQUIRED)

set(TESS_WINE_EXEC "${CMAKE_SOURCE_DIR}/tools/wine-exec")

function(tess_add_gtest name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS;MEDIA_SOURCES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp)
  tess_win32_target(${name})
  tess_winelib_executable(${name})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TESS_GTEST_LIBRARY} -lpthread)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TESS_BIN_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME ${name}
           COMMAND ${TESS_WINE_EXEC} $<TARGET_FILE:${name}>.so --gtest_color=no)
  # A failure is a failure even when the program's exit code does not say
  # so (a test that fails inside a modal loop has been seen to exit 0).
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT}
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  # Programs with windows share one Wine desktop: focus, activation and the
  # foreground window are global to it, and some tests read the screen, so
  # they take turns (the player's tests show their pictures in windows).
  # Engine tests without windows run beside them.
  if(NOT T_LABEL MATCHES "^engine$")
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_desktop)
  endif()
endfunction()
