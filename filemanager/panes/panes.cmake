# Folder trees and file lists of the two panes.
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_pane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pane_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_fill.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_sort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pane_notify.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vfolder_links.cpp)

if(JQ_BUILD_TESTS)
  add_executable(panes_test
    ${CMAKE_CURRENT_LIST_DIR}/file_list_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list_sort_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder_tree_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pane_main_window_test.cpp)
  target_link_libraries(panes_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(panes_test)
endif()

# The up-one-level entry's icon, in the program folder.
add_executable(firstup WIN32 ${CMAKE_CURRENT_LIST_DIR}/firstup.cpp
  ${CMAKE_SOURCE_DIR}/resources/jqnavig/firstup.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/jqnavig/firstup.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/jqnavig/firstup.ico)
