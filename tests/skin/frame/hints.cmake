# The skinned hint, the picture-grid menu and the notification-area icon.
tess_add_gtest(skin_hints_tests LABEL frame
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinHintTest.cpp ${CMAKE_CURRENT_LIST_DIR}/SkinImagesMenuTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TrayIconTest.cpp
  LIBS tess_skin_frame)
# Hints follow where the mouse rests.
set_tests_properties(skin_hints_tests PROPERTIES RESOURCE_LOCK wine_desktop)
