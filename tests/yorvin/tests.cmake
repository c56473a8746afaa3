# The end-to-end tests open the host's OpenGL context.
list(APPEND area_properties LABELS gpu)
# The stage tables and their textures are tested directly.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/modules/yorvin/fft_tables.cpp
                                 ${PROJECT_SOURCE_DIR}/modules/yorvin/fft_engine.cpp)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/modules/yorvin)

# The module built once more into a directory without its shader files: its
# set-up fails.
set(yorvin_probe_dir ${CMAKE_BINARY_DIR}/gpu-fixtures/yorvin-probe)
file(GLOB yorvin_probe_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/modules/yorvin/*.cpp)
add_library(yorvin_probe SHARED ${yorvin_probe_sources})
set_target_properties(yorvin_probe PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${yorvin_probe_dir})
target_include_directories(yorvin_probe PRIVATE ${PROJECT_SOURCE_DIR}/modules/yorvin)
target_link_libraries(yorvin_probe PRIVATE frame gpu talvix OpenMP::OpenMP_CXX)
target_link_options(yorvin_probe PRIVATE -Wl,--no-undefined)
add_dependencies(${target} yorvin_probe)
