# The geometry, search and feature routines are also tested directly on
# generated lists, and the pattern elements through the border tracer, so
# their sources are compiled into the tests as well.
set(forvik_dir ${CMAKE_SOURCE_DIR}/modules/forvik)
target_sources(${target} PRIVATE ${forvik_dir}/contour/geometry.cpp
                                 ${forvik_dir}/contour/circle_search.cpp
                                 ${forvik_dir}/contour/pratt_fit.cpp
                                 ${forvik_dir}/contour/rings.cpp
                                 ${forvik_dir}/contour/line_segments.cpp
                                 ${forvik_dir}/contour/features.cpp
                                 ${forvik_dir}/contour/contour_circles.cpp
                                 ${forvik_dir}/shapes_main.cpp
                                 ${forvik_dir}/matching_features.cpp)
target_include_directories(${target} PRIVATE ${forvik_dir})
target_link_libraries(${target} PRIVATE border)
