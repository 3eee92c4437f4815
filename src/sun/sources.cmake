# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/calendar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/solar.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/clock_win.cpp
)
