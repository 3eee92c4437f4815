# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mouse_travel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_input.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/run_modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/saver_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/password_9x.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
)
