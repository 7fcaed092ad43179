# The README's VERSION line must name the project's version:
#   cmake -DREADME=README.md -DVERSION=x.y.z -P check_readme_version.cmake
file(STRINGS "${README}" lines REGEX "^VERSION")
if(NOT lines STREQUAL "VERSION ${VERSION}")
  message(FATAL_ERROR "${README} must hold the line \"VERSION ${VERSION}\" (project(VERSION) in CMakeLists.txt) "
                      "and no other VERSION line; it holds: \"${lines}\"")
endif()
