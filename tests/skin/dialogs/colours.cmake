# The colour choosers, the colour dialog and button, the input box and the
# font dialog.
tess_add_gtest(skin_colour_dialog_tests LABEL dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ColourDialogsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/InputFontDialogsTest.cpp
  LIBS tess_skin_dialogs)
