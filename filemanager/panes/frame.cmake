# Start-up, the main window and its frame: command table, layout and splitters, title bars,
# status bar and number formats, window utilities.
set(JQ_FRAME_SOURCES
  startup.cpp
  startup_settings.cpp
  main_window.cpp
  command_table.cpp
  frame_commands.cpp
  pending_handlers.cpp
  frame_layout.cpp
  status_bar.cpp
  number_format.cpp
  window_utils.cpp
  vfolder_entry.cpp)
list(TRANSFORM JQ_FRAME_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
target_sources(jqnavig PRIVATE ${JQ_FRAME_SOURCES})

if(JQ_BUILD_TESTS)
  add_executable(frame_test
    ${CMAKE_CURRENT_LIST_DIR}/number_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frame_layout_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_utils_test.cpp)
  target_link_libraries(frame_test PRIVATE jqnavig jqnavig_rc)
  jq_add_wine_test(frame_test LOCALES zh_TW.UTF-8 zh_CN.UTF-8)

  # JQNavig.exe started as a second process; needs the program built first.
  add_executable(frame_process_test ${CMAKE_CURRENT_LIST_DIR}/startup_process_test.cpp)
  target_link_libraries(frame_process_test PRIVATE jqnavig_rc jqseams)
  target_include_directories(frame_process_test PRIVATE ${CMAKE_SOURCE_DIR}/resources/jqnavig)
  add_dependencies(frame_process_test JQNavig)
  jq_add_wine_test(frame_process_test)
endif()
