# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/info_panel.cpp
)
