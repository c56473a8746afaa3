# These tests open the host's OpenGL context; the radius pick is also tested
# on its own, from the module's source.
list(APPEND area_properties LABELS gpu)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/velkon/incircle.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/velkon)
