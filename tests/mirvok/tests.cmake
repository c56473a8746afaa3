# These tests open the host's OpenGL context.
list(APPEND area_properties LABELS gpu)

# The module built once more into a directory of its own, beside probe
# shaders: an inverting HSL_filter, a Denoise_filter that adds one grey level
# per pass, and no Grayscale_filter (its set-up fails).
set(mirvok_probe_dir ${CMAKE_BINARY_DIR}/gpu-fixtures/mirvok-probe)
file(GLOB mirvok_probe_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/modules/mirvok/*.cpp)
add_library(mirvok_probe SHARED ${mirvok_probe_sources})
set_target_properties(mirvok_probe PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${mirvok_probe_dir})
target_include_directories(mirvok_probe PRIVATE ${PROJECT_SOURCE_DIR}/modules/mirvok)
target_link_libraries(mirvok_probe PRIVATE frame gpu talvix OpenMP::OpenMP_CXX)
target_link_options(mirvok_probe PRIVATE -Wl,--no-undefined)
set(mirvok_probe_outputs "")
foreach(source ${PROJECT_SOURCE_DIR}/modules/mirvok/shaders/Vertex.vsh ${CMAKE_CURRENT_LIST_DIR}/probe/HSL_filter.fsh
               ${CMAKE_CURRENT_LIST_DIR}/probe/Denoise_filter.fsh)
  get_filename_component(name ${source} NAME)
  set(output ${mirvok_probe_dir}/${name}_bin)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${mirvok_probe_dir}
                     COMMAND shader_encode ${VISION_SHADER_KEY} ${source} ${output}
                     DEPENDS ${source} shader_encode)
  list(APPEND mirvok_probe_outputs ${output})
endforeach()
add_custom_target(mirvok_probe_shaders DEPENDS ${mirvok_probe_outputs})
add_dependencies(mirvok_probe mirvok_probe_shaders)
add_dependencies(${target} mirvok_probe)
