# The feed server: its rules join the core, its HTTP layer (Boost.Beast over Asio, header
# only) and command the shell; its tests run under ctest with the others.
find_package(Boost 1.74 REQUIRED)

target_sources(zarvane_feed_core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core/serve_rules.cpp
                                         ${CMAKE_CURRENT_SOURCE_DIR}/core/serve_options.cpp)
target_sources(zarvane_feed_shell PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/shell/serve_http.cpp
                                          ${CMAKE_CURRENT_SOURCE_DIR}/shell/serve_command.cpp)
target_link_libraries(zarvane_feed_shell PUBLIC Boost::headers)

find_package(GTest REQUIRED)
add_executable(serve_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/serve_rules_tests.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/tests/serve_options_tests.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/tests/serve_http_tests.cpp)
target_link_libraries(serve_tests PRIVATE zarvane_feed_shell GTest::gtest_main)
add_test(NAME serve_tests COMMAND serve_tests)
