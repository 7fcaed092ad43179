# Packages made by cpack from the install rules: a Debian package on Linux,
# and a zip with the static .exe and the README from the Windows build.
# The version is the project's, from project(VERSION) in CMakeLists.txt.

set(LICZNIK_PACKAGE_MAINTAINER "licznik-wyrazow maintainers <maintainers@licznik-wyrazow.example>"
    CACHE STRING "Name and e-mail address of whoever maintains the packages")

# The licence, once the project has a file for it, goes into both packages.
set(licznik_license_file "")
foreach(name LICENSE LICENSE.txt LICENSE.md COPYING)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${name})
    set(licznik_license_file ${PROJECT_SOURCE_DIR}/${name})
    break()
  endif()
endforeach()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${LICZNIK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count how often a word occurs in a UTF-8 text file")
# Lines of at most 80 characters, as in a Debian control file.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "licznik-wyrazow holds a short dialogue in Polish in the terminal: it asks\n"
  "for the name of a text file, shows the file's text without punctuation and\n"
  "as a list of words, asks for one word and tells how many times that word\n"
  "occurs in the file. Files are recognised as text by their extension and\n"
  "must hold valid UTF-8.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# A source package (package_source) leaves out the build folders and git.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build/")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
  if(licznik_license_file)
    install(FILES ${licznik_license_file} DESTINATION .)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LICZNIK_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Compressed manual pages, a changelog and the copyright file.
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb_staging.cmake)
  set(CPACK_LICZNIK_MANDIR ${CMAKE_INSTALL_MANDIR})
  set(CPACK_LICZNIK_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_LICZNIK_LICENSE_FILE ${licznik_license_file})
endif()

include(CPack)
