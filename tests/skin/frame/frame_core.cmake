# The frame core: the skinned form component, its frame objects, shapes,
# hit tests, window states, painting and the skin-change protocol.
tess_add_gtest(skin_frame_tests LABEL frame
  SOURCES FrameTestSkin.cpp FrameGeometryTest.cpp FrameWindowTest.cpp FrameLooksTest.cpp
  LIBS tess_skin_frame)
# Its hover tests read where the real mouse is.
set_tests_properties(skin_frame_tests PROPERTIES RESOURCE_LOCK wine_desktop)
