# The frame's periphery: the layered border and its windows, the value,
# animated and label frame objects, access to frame objects by name.
tess_add_gtest(skin_frame_periph_tests LABEL frame
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FrameTestSkin.cpp ${CMAKE_CURRENT_LIST_DIR}/LayeredBorderTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ValueObjectsTest.cpp
  LIBS tess_skin_frame)
# The layered border's buttons are pressed with the real mouse.
set_tests_properties(skin_frame_periph_tests PROPERTIES RESOURCE_LOCK wine_desktop)
