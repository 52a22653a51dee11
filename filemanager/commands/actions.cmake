# Navigation, view and selection commands, the file commands on the selection, the drive bar
# and the address combo.
set(JQ_ACTIONS_SOURCES
  navigation_commands.cpp
  selection_commands.cpp
  file_commands.cpp
  drive_bar.cpp)
list(TRANSFORM JQ_ACTIONS_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
target_sources(jqnavig PRIVATE ${JQ_ACTIONS_SOURCES})

if(JQ_BUILD_TESTS)
  add_executable(actions_test ${CMAKE_CURRENT_LIST_DIR}/actions_test.cpp)
  target_link_libraries(actions_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(actions_test LOCALES zh_TW.UTF-8 zh_CN.UTF-8 TIMEOUT 240 USES_CLIPBOARD)
endif()
