# The skinned grids: storage, layout, scrolling, input, painting, editor.
tess_add_gtest(skin_grids_tests LABEL dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SparseListsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/GridCoreTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/GridInputTest.cpp ${CMAKE_CURRENT_LIST_DIR}/GridPaintTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ItemTableTest.cpp ${CMAKE_CURRENT_LIST_DIR}/GridEditorTest.cpp
  LIBS tess_skin_dialogs)
