# Precompiled headers: nearly all the compile time of a source file of ours goes to the Windows,
# common-controls, standard-library and GoogleTest headers. Two header sets are compiled once per
# build and every C++ target reuses one of them: the tests' set (with GoogleTest) for targets that
# link the test libraries, the product set for the rest. GCC checks that a target's options fit
# the set it reuses; where they do not, it reads the headers as usual.
set(jq_pch_headers
  "$<$<COMPILE_LANGUAGE:CXX>:<windows.h$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<commctrl.h$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<algorithm$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<functional$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<map$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<memory$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<string$<ANGLE-R>>"
  "$<$<COMPILE_LANGUAGE:CXX>:<vector$<ANGLE-R>>")

add_library(jq_pch_product STATIC ${CMAKE_SOURCE_DIR}/cmake/pch_anchor.cpp)
target_precompile_headers(jq_pch_product PRIVATE ${jq_pch_headers})
if(TARGET gtest)
  add_library(jq_pch_test STATIC ${CMAKE_SOURCE_DIR}/cmake/pch_anchor.cpp)
  target_link_libraries(jq_pch_test PRIVATE gtest)
  target_precompile_headers(jq_pch_test PRIVATE ${jq_pch_headers}
    "$<$<COMPILE_LANGUAGE:CXX>:<gtest/gtest.h$<ANGLE-R>>")
endif()

function(jq_reuse_pch dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY)$"
       OR t MATCHES "^jq_pch_")
      continue()
    endif()
    get_target_property(sources ${t} SOURCES)
    set(cxx FALSE)
    foreach(s ${sources})
      if(s MATCHES "\\.cpp$")
        set(cxx TRUE)
        break()
      endif()
    endforeach()
    if(NOT cxx)
      continue()
    endif()
    get_target_property(libs ${t} LINK_LIBRARIES)
    if(TARGET jq_pch_test AND libs MATCHES "(^|;)(jqtesting|gtest|gmock|jq_archive_test_support)(;|$)")
      set_target_properties(${t} PROPERTIES PRECOMPILE_HEADERS_REUSE_FROM jq_pch_test)
      add_dependencies(${t} jq_pch_test)
    else()
      set_target_properties(${t} PROPERTIES PRECOMPILE_HEADERS_REUSE_FROM jq_pch_product)
      add_dependencies(${t} jq_pch_product)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    if(NOT sub MATCHES "googletest")
      jq_reuse_pch(${sub})
    endif()
  endforeach()
endfunction()
