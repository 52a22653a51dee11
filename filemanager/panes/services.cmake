# Start-up options, navigation history, the file filter and the per-folder view memory: pane
# services that need only the shared library, built apart so that they can be tested alone.
if(NOT TARGET jqshared)
  return()
endif()
add_library(jqpaneservices STATIC
  ${CMAKE_CURRENT_LIST_DIR}/startup_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/navigation_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_memory.cpp)
target_include_directories(jqpaneservices PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(jqpaneservices PUBLIC jqshared comdlg32)
target_link_libraries(jqnavig PUBLIC jqpaneservices)

if(JQ_BUILD_TESTS)
  add_executable(pane_services_test
    ${CMAKE_CURRENT_LIST_DIR}/file_filter_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_options_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/navigation_history_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_memory_test.cpp)
  target_link_libraries(pane_services_test PRIVATE jqpaneservices)
  jq_add_wine_test(pane_services_test)
endif()
