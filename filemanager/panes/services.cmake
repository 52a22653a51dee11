# Start-up options, navigation history and the file filter.
if(NOT TARGET jqshared)
  return()
endif()
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/startup_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/navigation_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_filter.cpp)

if(JQ_BUILD_TESTS)
  add_executable(pane_services_test
    ${CMAKE_CURRENT_LIST_DIR}/file_filter_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_options_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/navigation_history_test.cpp)
  target_link_libraries(pane_services_test PRIVATE jqnavig)
  jq_add_wine_test(pane_services_test)
endif()
