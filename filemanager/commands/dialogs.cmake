# The Copy/Move To dialog with its folder-picker tree, and the DOS command-line bar with its
# interpreter and the Run dialog.
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/picker_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_move_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line_bar.cpp)

if(JQ_BUILD_TESTS)
  add_executable(dialogs_test
    ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/copy_move_dialog_test.cpp)
  target_link_libraries(dialogs_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(dialogs_test LOCALES zh_TW.UTF-8 zh_CN.UTF-8)
endif()
