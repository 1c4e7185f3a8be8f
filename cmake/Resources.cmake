# nvl_embed_resources(TARGET [MESSAGE_TABLES] [TYPE NAME FILE]...)
# Embeds the files as resources of TARGET's module (see tools/resembed); MESSAGE_TABLES adds every
# message table of resources/ as the RCDATA resource of its name. Executables export the resource
# directory so that the platform finds it at run time. On Windows the files become the system's
# resources through a resource script that the host's resembed writes; the message tables come from
# the host's build as well.
function(nvl_embed_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 EMBED "MESSAGE_TABLES" "" "")
  set(triples ${EMBED_UNPARSED_ARGUMENTS})
  if(EMBED_MESSAGE_TABLES)
    foreach(table IN LISTS NVL_MESSAGE_TABLES)
      list(APPEND triples RCDATA ${table} "${NVL_MESSAGE_TABLE_DIR}/${table}.str0")
    endforeach()
    if(NOT WIN32)
      add_dependencies(${target} message_tables)
    endif()
  endif()
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  set(arguments)
  set(inputs)
  list(LENGTH triples count)
  math(EXPR remainder "${count} % 3")
  if(NOT remainder EQUAL 0)
    message(FATAL_ERROR "nvl_embed_resources: expected TYPE NAME FILE triples")
  endif()
  set(index 0)
  while(index LESS count)
    math(EXPR name_index "${index} + 1")
    math(EXPR file_index "${index} + 2")
    list(GET triples ${index} type)
    list(GET triples ${name_index} name)
    list(GET triples ${file_index} file)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND arguments "${type}" "${name}" "${file}")
    list(APPEND inputs "${file}")
    math(EXPR index "${index} + 3")
  endwhile()
  if(WIN32)
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc")
    add_custom_command(
      OUTPUT "${rc}"
      COMMAND "${NVL_HOST_BUILD}/tools/resembed" --rc "${rc}" ${arguments}
      DEPENDS "${NVL_HOST_BUILD}/tools/resembed" ${inputs}
      COMMENT "Writing the resource script of ${target}"
      VERBATIM)
    target_sources(${target} PRIVATE "${rc}")
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${inputs}")
    return()
  endif()
  add_custom_command(
    OUTPUT "${output}"
    COMMAND resembed "${output}" ${arguments}
    DEPENDS resembed ${inputs}
    COMMENT "Embedding resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  target_link_libraries(${target} PRIVATE platform)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE "LINKER:--export-dynamic-symbol=nvl_resources")
  endif()
endfunction()

