# Build-time generators: programs that write sources or assets while the project builds.
#
#   tavrin_generator(NAME source.cpp ... [HOST_FLAGS flag ...])
#
# makes an executable target NAME that custom commands run as `COMMAND NAME ...` and name in
# DEPENDS, in every build. A native build compiles it as usual. A cross build (Windows) compiles
# it with the host's C++ compiler instead, so that it runs on the build machine and writes the
# same bytes as the Linux build's copy (the host's maths, not the target's); NAME is then an
# imported executable standing for that program. Sources are relative to the calling folder;
# the project root is on the include path. HOST_FLAGS are the compile and link flags of the
# libraries it needs, as pkg-config gives them for the build machine; a native build links the
# same libraries through the caller's target_link_libraries instead.
find_program(TAVRIN_HOST_CXX NAMES c++ g++ clang++ DOC "The build machine's C++ compiler, for generators in cross builds")

function(tavrin_generator name)
  cmake_parse_arguments(PARSE_ARGV 1 gen "" "" "HOST_FLAGS")
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${gen_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    return()
  endif()
  if(NOT TAVRIN_HOST_CXX)
    message(FATAL_ERROR "A cross build needs the build machine's C++ compiler for ${name} (c++, g++ or clang++)")
  endif()
  set(sources)
  foreach(s ${gen_UNPARSED_ARGUMENTS})
    get_filename_component(s ${s} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${s})
  endforeach()
  set(exe ${PROJECT_BINARY_DIR}/host/${name})
  # The rule names a stamp, not the program: CMake would take the program's path for the
  # imported target below and see a cycle.
  add_custom_command(OUTPUT ${exe}.stamp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/host
    COMMAND ${TAVRIN_HOST_CXX} -std=c++20 -O2 -ffp-contract=off -I${PROJECT_SOURCE_DIR} ${sources} ${gen_HOST_FLAGS} -o ${exe}
    COMMAND ${CMAKE_COMMAND} -E touch ${exe}.stamp
    DEPENDS ${sources}
    COMMENT "Building the generator ${name} for the build machine" VERBATIM)
  add_custom_target(${name}_host DEPENDS ${exe}.stamp)
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${exe} CROSSCOMPILING_EMULATOR "")
  add_dependencies(${name} ${name}_host)
endfunction()
