# Folder trees and file lists of the two panes.
target_sources(jqnavig PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_pane.cpp)
