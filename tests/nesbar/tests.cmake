# The end-to-end tests run on the host's OpenGL context (skipped without EGL,
# failed under CI). The plan, the sampling and the collection are also tested
# on their own, from the module's sources.
list(APPEND area_properties LABELS gpu)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/nesbar/plan.cpp ${CMAKE_SOURCE_DIR}/modules/nesbar/sampling.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/nesbar/collect.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/nesbar)
target_link_libraries(${target} PRIVATE modhost_core)
