# The layers of Lorix as CMake targets; see the top CMakeLists.txt for how a
# layer is declared.

# lorix_stage(<folder> <out-var>): a folder in the build tree that holds one
# link, <folder> -> the source folder of that name, so that an include path
# pointing at it reaches `#include "<folder>/x.h"` and nothing else of ours.
function(lorix_stage folder out)
  set(stage ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${stage})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${stage}/${folder} SYMBOLIC)
  set(${out} ${stage} PARENT_SCOPE)
endfunction()

# lorix_layer(<name> SOURCES <files> [DEPENDS <layers>])
function(lorix_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPENDS")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_SOURCES)
    message(FATAL_ERROR "lorix_layer(${name}): give SOURCES and DEPENDS only")
  endif()
  # The transitive closure of what the layer may use: every layer it names,
  # and all that those may use.
  set(reach ${arg_DEPENDS})
  foreach(dep IN LISTS arg_DEPENDS)
    if(NOT TARGET lorix_${dep})
      message(FATAL_ERROR "lorix_layer(${name}): layer ${dep} must be declared before it")
    endif()
    get_property(below GLOBAL PROPERTY LORIX_LAYER_REACH_${dep})
    list(APPEND reach ${below})
  endforeach()
  list(REMOVE_DUPLICATES reach)

  lorix_stage(${name} stage)
  add_library(lorix_${name} STATIC ${arg_SOURCES})
  add_library(lorix::${name} ALIAS lorix_${name})
  target_include_directories(lorix_${name} PUBLIC ${stage})
  list(TRANSFORM arg_DEPENDS PREPEND lorix:: OUTPUT_VARIABLE dep_targets)
  target_link_libraries(lorix_${name} PUBLIC ${dep_targets})

  # The header an upward include is tried with: the first one listed.
  list(FILTER arg_SOURCES INCLUDE REGEX "\\.h$")
  list(GET arg_SOURCES 0 header)
  set_property(GLOBAL APPEND PROPERTY LORIX_LAYERS ${name})
  set_property(GLOBAL PROPERTY LORIX_LAYER_REACH_${name} ${reach})
  set_property(GLOBAL PROPERTY LORIX_LAYER_HEADER_${name} ${name}/${header})
endfunction()

# One test for every pair of layers where the first may not use the second:
# a source compiled as part of the first that includes a header of the
# second must fail, because the header is not found. The probes are built
# only by their tests, one at a time, since each runs the build tool in this
# build tree.
function(lorix_layer_include_tests)
  get_property(layers GLOBAL PROPERTY LORIX_LAYERS)
  set(dir ${PROJECT_BINARY_DIR}/layer_probes)
  foreach(layer IN LISTS layers)
    get_property(reach GLOBAL PROPERTY LORIX_LAYER_REACH_${layer})
    foreach(other IN LISTS layers)
      if(other STREQUAL layer OR other IN_LIST reach)
        continue()
      endif()
      get_property(header GLOBAL PROPERTY LORIX_LAYER_HEADER_${other})
      set(probe layer_probe_${layer}_${other})
      file(CONFIGURE OUTPUT ${dir}/${probe}.cpp CONTENT "#include \"${header}\"\n")
      add_library(${probe} OBJECT EXCLUDE_FROM_ALL ${dir}/${probe}.cpp)
      set_target_properties(${probe} PROPERTIES AUTOMOC OFF AUTORCC OFF)
      target_link_libraries(${probe} PRIVATE lorix::${layer})
      set(test layer_${layer}_cannot_include_${other})
      add_test(NAME ${test} COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target ${probe})
      # Only the compiler's "not found" for that very header counts (gcc's
      # wording, then clang's); a header found that fails for another reason
      # means the layer can see it.
      string(REPLACE "." "\\." h ${header})
      set_tests_properties(${test} PROPERTIES LABELS layers RESOURCE_LOCK lorix_build_tree
        PASS_REGULAR_EXPRESSION "error: ${h}: No such file or directory;'${h}' file not found")
    endforeach()
  endforeach()
endfunction()
