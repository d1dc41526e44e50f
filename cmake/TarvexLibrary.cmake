# One static library per source folder, named tarvex_<last folder name>. Sources are
# gathered from the folder and its sub-folders, except the ones that belong to a
# library of their own (a sub-folder with its own CMakeLists.txt) and "main".
add_library(tarvex_all INTERFACE)

function(tarvex_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;PRIVATE_DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/(.*/)?main/")
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  add_library(tarvex_${name} STATIC ${sources})
  target_include_directories(tarvex_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tarvex_${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  target_link_libraries(tarvex_all INTERFACE tarvex_${name})
endfunction()
