# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the files staged for a package,
# before they are packed. For the Debian package it adds what Debian's rules
# ask of every package and a plain install does not need: manual pages and
# changelog compressed with gzip -9n, a changelog, and the copyright file
# when the project has a licence file. Other packages are left as they are.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(gzip_program gzip REQUIRED)
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc_dir "${root}/${CPACK_LICZNIK_DOCDIR}")

function(compress file)
  execute_process(COMMAND "${gzip_program}" -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${file}")
  endif()
endfunction()

file(GLOB_RECURSE pages "${root}/${CPACK_LICZNIK_MANDIR}/*.1")
foreach(page IN LISTS pages)
  compress("${page}")
endforeach()

# A native package's changelog: one entry for the version packaged, dated
# now, or at SOURCE_DATE_EPOCH when that is set (string(TIMESTAMP) reads it).
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${doc_dir}/changelog"
  "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
  "  * Version ${CPACK_PACKAGE_VERSION}; see README.md.\n\n"
  " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
compress("${doc_dir}/changelog")

if(CPACK_LICZNIK_LICENSE_FILE)
  file(COPY_FILE "${CPACK_LICZNIK_LICENSE_FILE}" "${doc_dir}/copyright")
endif()
