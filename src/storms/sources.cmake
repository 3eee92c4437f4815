# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/feed_numbers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wind.cpp
)
list(APPEND WIN_SOURCES
)
