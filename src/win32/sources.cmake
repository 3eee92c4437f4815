# Small Win32 helpers shared by several subsystems; they include no other folder's headers.
# See src/CMakeLists.txt.
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/wine_child_drawable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bitmap_blit.cpp
)
