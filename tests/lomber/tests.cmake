# The colour arithmetic is also tested on its own, against Python's colorsys
# and hand-worked histograms.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/lomber/colour.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/lomber)
# Connected components of OpenCV check the regions the matching grows.
find_path(LOMBER_OPENCV_INCLUDE opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(LOMBER_OPENCV_CORE opencv_core)
find_library(LOMBER_OPENCV_IMGPROC opencv_imgproc)
if(LOMBER_OPENCV_INCLUDE AND LOMBER_OPENCV_CORE AND LOMBER_OPENCV_IMGPROC)
  target_link_libraries(${target} PRIVATE ${LOMBER_OPENCV_IMGPROC} ${LOMBER_OPENCV_CORE})
  target_include_directories(${target} SYSTEM PRIVATE ${LOMBER_OPENCV_INCLUDE})
  target_compile_definitions(${target} PRIVATE LOMBER_HAVE_OPENCV=1)
endif()
