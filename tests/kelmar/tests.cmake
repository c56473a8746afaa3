# Text fixtures are rendered with Cairo.
target_link_libraries(${target} PRIVATE PkgConfig::CAIRO)
# The Latin reader's segmentation and classifier are also driven directly.
file(GLOB kelmar_latin_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/kelmar/latin/*.cpp)
target_sources(${target} PRIVATE ${kelmar_latin_sources})
# The plate reader's parts and its method object are also tested directly.
file(GLOB kelmar_plate_reader CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/kelmar/plate/*.cpp)
target_sources(${target} PRIVATE ${kelmar_plate_reader})
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/kelmar)
# The pattern search is also driven through its method object, so that the
# sample points' seed can be fixed.
file(GLOB kelmar_pattern_search CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/modules/kelmar/pattern/*.cpp)
target_sources(${target} PRIVATE ${kelmar_pattern_search})
# The sample pictures are read as the command-line host reads them.
target_link_libraries(${target} PRIVATE modhost_core)
