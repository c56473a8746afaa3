# Text fixtures are rendered with Cairo.
target_link_libraries(${target} PRIVATE PkgConfig::CAIRO)
# The Latin reader's segmentation and classifier are also driven directly.
file(GLOB kelmar_latin_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/kelmar/latin/*.cpp)
target_sources(${target} PRIVATE ${kelmar_latin_sources})
# The plate character reader is also tested on its own, from the module's sources.
file(GLOB kelmar_plate_reader CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/kelmar/plate/char_*.cpp)
target_sources(${target} PRIVATE ${kelmar_plate_reader})
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/kelmar)
