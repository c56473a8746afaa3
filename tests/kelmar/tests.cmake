# Text fixtures are rendered with Cairo.
target_link_libraries(${target} PRIVATE PkgConfig::CAIRO)
# The plate character reader is also tested on its own, from the module's sources.
file(GLOB kelmar_plate_reader ${CMAKE_SOURCE_DIR}/modules/kelmar/plate/char_*.cpp)
target_sources(${target} PRIVATE ${kelmar_plate_reader})
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/kelmar)
