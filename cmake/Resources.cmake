# nvl_embed_resources(TARGET TYPE NAME FILE [TYPE NAME FILE]...)
# Embeds the files as resources of TARGET's module (see tools/resembed). Executables export the
# resource directory so that the platform finds it at run time.
function(nvl_embed_resources target)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  set(arguments)
  set(inputs)
  list(LENGTH ARGN count)
  math(EXPR remainder "${count} % 3")
  if(NOT remainder EQUAL 0)
    message(FATAL_ERROR "nvl_embed_resources: expected TYPE NAME FILE triples")
  endif()
  set(index 0)
  while(index LESS count)
    math(EXPR name_index "${index} + 1")
    math(EXPR file_index "${index} + 2")
    list(GET ARGN ${index} type)
    list(GET ARGN ${name_index} name)
    list(GET ARGN ${file_index} file)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND arguments "${type}" "${name}" "${file}")
    list(APPEND inputs "${file}")
    math(EXPR index "${index} + 3")
  endwhile()
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
