# vision_add_module(NAME [NO_FRAME] [LIBS lib...]): one shared library per
# module, named after the module (NAME.so), from every .cpp in modules/NAME and
# its subdirectories, landing in the build's module directory. NO_FRAME leaves
# the module frame out (a module with exports of its own).
function(vision_add_module name)
  cmake_parse_arguments(ARG "NO_FRAME" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} SHARED ${sources})
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${VISION_MODULE_DIR})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_NO_FRAME)
    target_link_libraries(${name} PRIVATE talvix OpenMP::OpenMP_CXX ${ARG_LIBS})
  else()
    target_link_libraries(${name} PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,frame> talvix OpenMP::OpenMP_CXX ${ARG_LIBS})
  endif()
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  vision_register_module(${name})
endfunction()

# Remember every module so that tests and tools can depend on all of them.
function(vision_register_module name)
  set_property(GLOBAL APPEND PROPERTY VISION_MODULES ${name})
endfunction()
