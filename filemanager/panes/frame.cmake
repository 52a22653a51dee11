target_sources(jqnavig PRIVATE ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
