# zint draws the symbols the readers are tested on; the bar/space
# classification is also tested on its own, from the module's sources.
target_link_libraries(${target} PRIVATE zint)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/dunsel/bar_runs.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/method.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/dunsel)
