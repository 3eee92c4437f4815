# Files of this subsystem; see src/CMakeLists.txt.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/feed_numbers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wind.cpp
  ${CMAKE_CURRENT_LIST_DIR}/storm_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feed_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feed_request.cpp
)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/storm_lock_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feed_thread.cpp
)
# The table's lock: a critical section in the saver, a std::mutex in native builds
# (MinGW's win32-thread runtime has no std::mutex).
if(NOT WIN32)
  list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/storm_lock_native.cpp)
endif()
