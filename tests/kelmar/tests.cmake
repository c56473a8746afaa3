# Text fixtures are rendered with Cairo.
target_link_libraries(${target} PRIVATE PkgConfig::CAIRO)
