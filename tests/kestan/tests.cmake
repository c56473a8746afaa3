# Most of these tests run on the host's OpenGL context (skipped without EGL,
# failed under CI). The descriptor file and the matching are also tested on
# their own, from the module's sources.
list(APPEND area_properties LABELS gpu)
target_link_libraries(${target} PRIVATE kavrin selvane)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/kestan/descriptor_file.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/kestan/matching.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/kestan/pose.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/kestan)
