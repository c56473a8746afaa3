# zint draws the symbols the readers are tested on; the bar/space
# classification, the Data Matrix codeword stages and the location's
# primitives are also tested on their own, from the module's sources, and
# the Data Matrix reader object runs in the test process for its work counts.
target_link_libraries(${target} PRIVATE zint)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/dunsel/bar_runs.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/method.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_symbol.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/galois.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_placement.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_sampling.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/reed_solomon.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_decode.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_profile.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_finder.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_segments.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_refine.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/dm_locate.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/dunsel/reader2d.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/dunsel)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/dunsel/line_votes.cpp)
