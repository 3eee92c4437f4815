# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/panel_lines.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/info_panel.cpp
)
