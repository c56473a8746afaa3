# OpenCV, when found, is a second oracle for the grey minimum and maximum.
find_path(JORVEL_OPENCV_INCLUDE opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(JORVEL_OPENCV_CORE opencv_core)
find_library(JORVEL_OPENCV_IMGPROC opencv_imgproc)
if(JORVEL_OPENCV_INCLUDE AND JORVEL_OPENCV_CORE AND JORVEL_OPENCV_IMGPROC)
  target_link_libraries(${target} PRIVATE ${JORVEL_OPENCV_IMGPROC} ${JORVEL_OPENCV_CORE})
  target_include_directories(${target} SYSTEM PRIVATE ${JORVEL_OPENCV_INCLUDE})
  target_compile_definitions(${target} PRIVATE JORVEL_HAVE_OPENCV=1)
endif()
