# The skinned popup menus: windows, items and the menu chain.
tess_add_gtest(skin_menus_tests LABEL frame
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinMenusTest.cpp
  LIBS tess_skin_frame)
# Menus follow the real mouse and close when another window takes the focus.
set_tests_properties(skin_menus_tests PROPERTIES RESOURCE_LOCK wine_desktop)
