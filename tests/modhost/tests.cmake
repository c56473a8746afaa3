target_link_libraries(${target} PRIVATE modhost_core)
