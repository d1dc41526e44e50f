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
  set(TARVEX_ENGINE_LIBRARIES ${TARVEX_ENGINE_LIBRARIES} tarvex_${name} CACHE INTERNAL "")
endfunction()

# The game-logic library is handed the host's own objects (game items, actor worlds, value
# collections, strings) and calls their classes' code, so it must bind to the one copy of the
# engine inside the program that loads it, never to a copy of its own: a string freed by the
# other copy, or a run-time class record that differs by address, would break at once. Programs
# that load it therefore carry every engine object file and export their symbols.
set(TARVEX_ENGINE_LIBRARIES "" CACHE INTERNAL "")
function(tarvex_export_engine target)
  set(archives "")
  foreach(lib IN LISTS TARVEX_ENGINE_LIBRARIES)
    list(APPEND archives $<TARGET_FILE:${lib}>)
  endforeach()
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  target_link_options(${target} PRIVATE LINKER:--whole-archive ${archives} LINKER:--no-whole-archive)
  add_dependencies(${target} ${TARVEX_ENGINE_LIBRARIES})
endfunction()
