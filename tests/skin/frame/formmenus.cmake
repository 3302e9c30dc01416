# The menus of skinned forms: system menu, menu bar, keyboard menu mode,
# caption-button menus, shortcut keys and edit menus.
tess_add_gtest(skin_form_menus_tests LABEL frame
  SOURCES FrameTestSkin.cpp FormMenusTest.cpp FrameMainMenuTest.cpp
  LIBS tess_skin_frame)
# Real key strokes go to the foreground window.
set_tests_properties(skin_form_menus_tests PROPERTIES RESOURCE_LOCK wine_desktop)
