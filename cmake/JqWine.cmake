# Helpers for building the suite's programs and running their tests under Wine.

# The Windows form of a host path, as Wine's Z: drive shows it.
function(jq_windows_path out path)
  string(REPLACE "/" "\\" win "${path}")
  set(${out} "Z:${win}" PARENT_SCOPE)
endfunction()

# jq_add_wine_test(<target> [LOCALES <locale>...] [TIMEOUT <seconds>] [SECOND_LOCALE_FILTER <filter>])
# Puts the test executable into the tests folder and registers one CTest entry per locale
# (zh_TW.UTF-8 unless told otherwise) that runs it under Wine. The script that runs CTest
# provides the Wine prefix and the X display (scripts/wine-run-test.sh gives every entry its own).
# SECOND_LOCALE_FILTER (a --gtest_filter pattern) names the cases that the locales after the first
# run: those whose result depends on the locale (texts, resources, fonts, string tables); without
# it every case runs in every locale. The entries of one executable never run at the same time
# (they share its fixtures' names on the host).
function(jq_add_wine_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT;SECOND_LOCALE_FILTER" "LOCALES" ${ARGN})
  if(NOT ARG_LOCALES)
    set(ARG_LOCALES zh_TW.UTF-8)
  endif()
  # The bound only ends a test that hangs: on a busy 2-core machine a test may take several times
  # as long as on an idle one, so no entry gets less than ten minutes.
  if(NOT ARG_TIMEOUT OR ARG_TIMEOUT LESS 600)
    set(ARG_TIMEOUT 600)
  endif()
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${JQ_TEST_DIR})
  target_link_libraries(${target} PRIVATE jqtesting)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # 64-bit test programs keep the address space below 4 GiB reserved, so that a pointer cut to
    # 32 bits faults instead of working by luck.
    # (compiled once for all of them)
    if(NOT TARGET jq_low_address_reserve)
      add_library(jq_low_address_reserve OBJECT ${CMAKE_SOURCE_DIR}/testing/low_address_reserve.cpp)
    endif()
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:jq_low_address_reserve>)
  endif()
  jq_windows_path(progdir "${JQ_PROGRAM_DIR}")
  list(LENGTH ARG_LOCALES nloc)
  set(first TRUE)
  foreach(loc ${ARG_LOCALES})
    set(name ${target})
    if(nloc GREATER 1)
      string(REGEX REPLACE "\\..*$" "" short ${loc})
      set(name ${target}.${short})
    endif()
    set(filter)
    set(first_locale ${first})
    if(NOT first AND ARG_SECOND_LOCALE_FILTER)
      set(filter "--gtest_filter=${ARG_SECOND_LOCALE_FILTER}")
    endif()
    set(first FALSE)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run-test.sh $<TARGET_FILE:${target}> --gtest_color=no ${filter})
    set_tests_properties(${name} PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "LC_ALL=${loc};LANG=${loc};JQ_PROGRAM_DIR=${progdir};JQ_TEST_LOCALE=${loc}"
      RESOURCE_LOCK ${target})
    if(first_locale AND target IN_LIST JQ_WORD_SIZE_TESTS)
      set_tests_properties(${name} PROPERTIES LABELS word_size)
    endif()
  endforeach()
endfunction()

# jq_add_program(<name> <library> <sources...>): a thin WinMain executable over a static library.
function(jq_add_program name lib)
  add_executable(${name} WIN32 ${ARGN})
  target_link_libraries(${name} PRIVATE ${lib})
endfunction()

# jq_add_test_lock(<lock> <test>...): the tests (every locale entry of each) take turns on a
# resource they share, e.g. a setting of the Wine prefix that one of them changes.
function(jq_add_test_lock lock)
  foreach(test ${ARGN})
    foreach(name ${test} ${test}.zh_TW ${test}.zh_CN)
      if(TEST ${name})
        get_test_property(${name} RESOURCE_LOCK locks)
        if(NOT locks)
          set(locks "")
        endif()
        list(APPEND locks ${lock})
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
      endif()
    endforeach()
  endforeach()
endfunction()
