# The decoder is also tested directly on width arrays and small frames, so its
# sources are compiled into the tests as well.
file(GLOB hoskin_decoder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/hoskin/decoder/*.cpp)
target_sources(${target} PRIVATE ${hoskin_decoder_sources})
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/hoskin)
target_link_libraries(${target} PRIVATE kavrin zint)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/hoskin/orientation.cpp)
# The region stage and the runs use the host's OpenGL context.
list(APPEND area_properties LABELS gpu)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/hoskin/convex_hull.cpp)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/hoskin/pattern.cpp)
