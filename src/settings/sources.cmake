# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_states.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/advanced_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_background.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_controls.cpp
)
