# Installs the build into a scratch prefix and checks that every expected file is there, the programs
# executable and the help file unchanged.
#   -DBUILD_DIR=<build> -DPREFIX=<scratch prefix> -DEXPECTED=<relative paths;...> -DHELP_SOURCE=<help file>
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
foreach(relative IN LISTS EXPECTED)
  if(NOT EXISTS "${PREFIX}/${relative}")
    message(FATAL_ERROR "missing from the install tree: ${relative}\n${output}")
  endif()
endforeach()
execute_process(COMMAND test -x "${PREFIX}/bin/corvanth" -a -x "${PREFIX}/bin/corvanth-cli"
  RESULT_VARIABLE executable)
file(SHA256 "${HELP_SOURCE}" wanted)
file(SHA256 "${PREFIX}/share/corvanth/Zelvane.hlp" installed)
if(NOT executable EQUAL 0 OR NOT wanted STREQUAL installed)
  message(FATAL_ERROR "the programs are not executable or the installed help file differs")
endif()
message(STATUS "install tree complete: ${EXPECTED}")
