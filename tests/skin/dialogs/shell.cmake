# The shell namespace helpers and the change notifier.
tess_add_gtest(skin_shell_tests LABEL dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShellNamespaceTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ShellNotifierTest.cpp
  LIBS tess_skin_dialogs)
