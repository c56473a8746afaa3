# The colour arithmetic is also tested on its own, against Python's colorsys
# and hand-worked histograms.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/lomber/colour.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/lomber)
