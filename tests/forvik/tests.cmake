# The geometry and search routines are also tested directly on generated
# point lists, so their sources are compiled into the tests as well.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/forvik/contour/geometry.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/forvik/contour/circle_search.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/forvik/contour/pratt_fit.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/forvik/contour/rings.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/forvik/contour/line_segments.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/forvik)
