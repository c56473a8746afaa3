# The ring scans and particle measurements are also tested on their own, from
# the module's sources.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/oskvel/particles.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/oskvel/rings.cpp
                                 ${CMAKE_SOURCE_DIR}/modules/oskvel/joins.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/modules/oskvel)
# OpenCV, when found, gives a second measure of a disc's perimeter and area.
find_path(OSKVEL_OPENCV_INCLUDE opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(OSKVEL_OPENCV_CORE opencv_core)
find_library(OSKVEL_OPENCV_IMGPROC opencv_imgproc)
if(OSKVEL_OPENCV_INCLUDE AND OSKVEL_OPENCV_CORE AND OSKVEL_OPENCV_IMGPROC)
  target_link_libraries(${target} PRIVATE ${OSKVEL_OPENCV_IMGPROC} ${OSKVEL_OPENCV_CORE})
  target_include_directories(${target} SYSTEM PRIVATE ${OSKVEL_OPENCV_INCLUDE})
  target_compile_definitions(${target} PRIVATE OSKVEL_HAVE_OPENCV=1)
endif()
