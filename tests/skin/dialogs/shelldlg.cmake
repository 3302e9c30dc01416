# The shell list, tree and look-in box, the open and folder dialogs, the
# file and directory edits, the filter box and the path helpers.
tess_add_gtest(skin_file_dialog_tests LABEL dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileDialogsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ShellViewsTest.cpp
  LIBS tess_skin_dialogs)
add_dependencies(skin_file_dialog_tests skin_tessavane)
