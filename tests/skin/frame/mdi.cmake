# MDI forms: the frame's arrangements, the MDI messages, the menu bar's
# merged menu and child buttons, and the MDI tabs bar.
tess_add_gtest(skin_frame_mdi_tests LABEL frame
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MDITest.cpp
  LIBS tess_skin_frame)
# It moves the real mouse: no other program that reads the mouse runs beside it.
set_tests_properties(skin_frame_mdi_tests PROPERTIES RESOURCE_LOCK wine_desktop)
