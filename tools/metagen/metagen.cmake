# The introspection table is generated at build time from the declarations of the types that
# src/Meta/introspected_types.txt lists, so it cannot drift from the structs. The generator
# places the records with the engine's own hash table code, which it is built from.
set(VE_METAGEN_TYPES ${CMAKE_SOURCE_DIR}/src/Meta/introspected_types.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VE_METAGEN_TYPES})

file(STRINGS ${VE_METAGEN_TYPES} VE_METAGEN_LINES REGEX "^[^#].*")
set(VE_METAGEN_HEADERS ${CMAKE_SOURCE_DIR}/src/Meta/introspectionDef.h)
foreach(line ${VE_METAGEN_LINES})
  string(REGEX REPLACE "^[^ \t]+[ \t]+([^ \t]+).*$" "\\1" header "${line}")
  list(APPEND VE_METAGEN_HEADERS ${CMAKE_SOURCE_DIR}/src/${header})
endforeach()
list(REMOVE_DUPLICATES VE_METAGEN_HEADERS)

add_executable(metagen
  ${CMAKE_SOURCE_DIR}/tools/metagen/metagen.cpp
  ${CMAKE_SOURCE_DIR}/tools/metagen/declarations.cpp
  ${CMAKE_SOURCE_DIR}/src/Math/Hash/lane_hash.cpp
  ${CMAKE_SOURCE_DIR}/src/Math/utilMath.cpp
  ${CMAKE_SOURCE_DIR}/src/Memory/memory.cpp
  ${CMAKE_SOURCE_DIR}/src/Util/Datastructures.cpp
  ${CMAKE_SOURCE_DIR}/src/Platform/machineDef.cpp)
target_include_directories(metagen PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools/metagen)
target_compile_options(metagen PRIVATE -maes -mssse3)

set(VE_METAGEN_OUTPUT ${CMAKE_BINARY_DIR}/generated/Generated/gen_metaDataTable.cpp)
add_custom_command(
  OUTPUT ${VE_METAGEN_OUTPUT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/Generated
  COMMAND metagen ${CMAKE_SOURCE_DIR}/src ${VE_METAGEN_TYPES} ${VE_METAGEN_OUTPUT}
  DEPENDS metagen ${VE_METAGEN_TYPES} ${VE_METAGEN_HEADERS}
  COMMENT "Generating the introspection table"
  VERBATIM)
target_sources(kestrolan_engine PRIVATE ${VE_METAGEN_OUTPUT})
