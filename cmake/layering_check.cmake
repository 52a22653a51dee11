# Checks the direction of the libraries: no source or header of a folder includes a header that
# lives in a folder of a higher layer, or in another folder of the same layer. Run with
#   cmake -DJQ_SOURCE_DIR=<suite source> -P cmake/layering_check.cmake
# Test files (*_test.cpp, *test_host.h) sit beside their code but link the whole program, so
# they are left out. Exits with an error listing every include that goes the wrong way.
if(NOT JQ_SOURCE_DIR)
  get_filename_component(JQ_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

# Folder and layer, lowest first. Folders of one layer must not include each other either.
set(layers
  "common:0"
  "suite/winutil:1"
  "suite/itemids:1"
  "suite/settings:2"
  "suite/paths:3"
  "suite/foldertree:4"
  "suite/dialogs:4"
  "suite/sendto:2"
  "suite/mail:5"
  "suite/printing:5"
  "suite/viewer:5"
  "suite/copymove:5"
  "suite/launch:4"
  "suite/ftp:5"
  "filemanager/services:10"
  "filemanager/panes:11"
  "filemanager/frame:12"
  "filemanager/dialogs:12"
  "filemanager/ftpfolders:12"
  "filemanager/archives:13"
  "filemanager/commands:14"
  "filemanager/app:15"
  "jqbar/layout:20"
  "jqbar/host:21"
  "jqbar/frames:22"
  "jqbar/shell:23"
  "jqbar/config:24"
  "jqbar/buttonbar:25"
  "jqbar/startmenu:25"
  "jqbar/clockmon:25"
  "jqbar/sysaccess:26"
  "jqbar/app:29"
  "jqguider/engine:30"
  "jqguider/ui:31"
  "jqseek/engine:40"
  "jqseek/ui:41"
  "jqxfr:50")

# Which folder each header lives in.
foreach(entry ${layers})
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 folder)
  list(GET parts 1 rank)
  set(rank_${folder} ${rank})
  file(GLOB headers RELATIVE "${JQ_SOURCE_DIR}/${folder}" "${JQ_SOURCE_DIR}/${folder}/*.h")
  foreach(header ${headers})
    if(DEFINED home_${header})
      message(FATAL_ERROR "header ${header} is in both ${home_${header}} and ${folder}")
    endif()
    set(home_${header} ${folder})
  endforeach()
endforeach()

set(violations "")
set(checked 0)
foreach(entry ${layers})
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 folder)
  list(GET parts 1 rank)
  file(GLOB files "${JQ_SOURCE_DIR}/${folder}/*.cpp" "${JQ_SOURCE_DIR}/${folder}/*.h")
  foreach(file ${files})
    get_filename_component(name ${file} NAME)
    if(name MATCHES "_test\\.cpp$" OR name MATCHES "test_host\\.h$")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
      get_filename_component(header ${header} NAME)
      if(NOT DEFINED home_${header})
        continue()
      endif()
      set(target ${home_${header}})
      if(target STREQUAL folder)
        continue()
      endif()
      set(target_rank ${rank_${target}})
      if(NOT target_rank LESS rank)
        list(APPEND violations "${folder}/${name} includes ${header} of ${target}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes against the layering:\n  ${text}")
endif()
message(STATUS "layering holds: ${checked} files checked")
