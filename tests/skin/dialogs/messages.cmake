# The skinned message box.
tess_add_gtest(skin_messages_tests LABEL dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MessagesTest.cpp
  LIBS tess_skin_dialogs)
