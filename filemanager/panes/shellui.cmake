# Context menus and opening items, command availability with the menu and toolbar states, the
# toolbar, and the start-up steps that reach the shell (switches, per-folder layout, folder verb,
# .zip association).
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/toolbar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/context_menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_shell.cpp)

if(JQ_BUILD_TESTS)
  add_executable(shellui_test
    ${CMAKE_CURRENT_LIST_DIR}/command_state_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/toolbar_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/context_menus_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_shell_test.cpp)
  target_link_libraries(shellui_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(shellui_test LOCALES zh_TW.UTF-8 zh_CN.UTF-8)

  # JQNavig.exe started as real processes: the instance hand-shake, /IDLIST and the switches.
  add_executable(shellui_process_test ${CMAKE_CURRENT_LIST_DIR}/startup_shell_process_test.cpp)
  target_link_libraries(shellui_process_test PRIVATE jqnavig jqnavig_rc)
  add_dependencies(shellui_process_test JQNavig)
  jq_add_wine_test(shellui_process_test)
endif()
