# Folder watching, pollers and debounce timers, refreshing the panes by mark and sweep, and the
# shell file operations with the Copy/Move To worker.
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/folder_watch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pane_refresh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_operations.cpp)

if(JQ_BUILD_TESTS)
  add_executable(watch_test
    ${CMAKE_CURRENT_LIST_DIR}/folder_watch_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_operations_test.cpp)
  target_link_libraries(watch_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(watch_test)
endif()
