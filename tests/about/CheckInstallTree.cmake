# Installs the build into a scratch prefix and checks that every expected file is there.
#   -DBUILD_DIR=<build> -DPREFIX=<scratch prefix> -DEXPECTED=<relative paths;...> -DHELP_SOURCE=<help file>
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(missing "")
foreach(relative IN LISTS EXPECTED)
  if(NOT EXISTS "${PREFIX}/${relative}")
    list(APPEND missing "${relative}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "missing from the install tree: ${missing}\n${output}")
endif()

foreach(program corvanth corvanth-cli)
  if("bin/${program}" IN_LIST EXPECTED AND NOT IS_DIRECTORY "${PREFIX}/bin/${program}")
    execute_process(COMMAND test -x "${PREFIX}/bin/${program}" RESULT_VARIABLE executable)
    if(NOT executable EQUAL 0)
      message(FATAL_ERROR "bin/${program} is not executable")
    endif()
  endif()
endforeach()

file(SHA256 "${HELP_SOURCE}" wanted)
file(SHA256 "${PREFIX}/share/corvanth/Zelvane.hlp" installed)
if(NOT wanted STREQUAL installed)
  message(FATAL_ERROR "the installed help file differs from ${HELP_SOURCE}")
endif()
message(STATUS "install tree complete: ${EXPECTED}")
