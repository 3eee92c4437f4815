# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sphere_mesh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/luminance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/format_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marker_geometry.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sphere_gl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/globe_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bitmap_pixels.cpp
)
