# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/config_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/advanced_dialog.cpp ${CMAKE_CURRENT_LIST_DIR}/dialog_background.cpp
)
