# What `cmake --install` puts besides the programs, the library and the
# Python module: the manual pages, made from the programs' help texts, and
# the documentation; and the Debian package that `cpack -G DEB` builds from
# all of it (pairfit_VERSION_amd64.deb, for the prefix /usr).

# Manual pages pairfit(1) and pairfit-batch(1), written from --help after
# each program is built, so that they say what the programs say.
set(PAIRFIT_MAN_DIR ${CMAKE_CURRENT_BINARY_DIR}/man)
set(PAIRFIT_MAN_PAGES "")
foreach(page "pairfit|compare two protein structures by their most significant superimposable subset|pairfit-batch(1)"
             "pairfit-batch|compare many pairs of protein structures, on every core or in shards|pairfit(1)")
  string(REPLACE "|" ";" fields "${page}")
  list(GET fields 0 program)
  list(GET fields 1 summary)
  list(GET fields 2 see_also)
  set(output ${PAIRFIT_MAN_DIR}/${program}.1)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
            "-DSUMMARY=${summary}" -DVERSION=${PROJECT_VERSION} "-DSEE_ALSO=${see_also}"
            -DOUTPUT=${output} -P ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
    COMMENT "Writing the manual page ${program}.1" VERBATIM)
  list(APPEND PAIRFIT_MAN_PAGES ${output})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${PAIRFIT_MAN_PAGES})
install(FILES ${PAIRFIT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The documentation: the Markdown pages and, where mkdocs is installed, the
# site built from them (html/), next to the licence and the changelog.
set(PAIRFIT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pairfit)
install(FILES README.md CHANGELOG.md LICENSE DESTINATION ${PAIRFIT_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${PAIRFIT_DOC_DIR}/docs)
find_program(PAIRFIT_MKDOCS mkdocs)
if(PAIRFIT_MKDOCS)
  file(GLOB doc_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*)
  set(site ${CMAKE_CURRENT_BINARY_DIR}/site)
  add_custom_command(OUTPUT ${site}/index.html
    COMMAND ${PAIRFIT_MKDOCS} build --quiet --clean -f ${PROJECT_SOURCE_DIR}/mkdocs.yml -d ${site}
    DEPENDS ${doc_sources} ${PROJECT_SOURCE_DIR}/mkdocs.yml
    COMMENT "Building the documentation site" VERBATIM)
  add_custom_target(docs_site ALL DEPENDS ${site}/index.html)
  install(DIRECTORY ${site}/ DESTINATION ${PAIRFIT_DOC_DIR}/html)
endif()

# The Debian package. Run-time dependencies of the programs and the Python
# module come from dpkg-shlibdeps; the interpreter and numpy are named, the
# module being built for this Python version. The library's CMake package
# asks for zlib's headers.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pairfit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The pairfit developers <pairfit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare protein structures by their most significant superimposable subset")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
 pairfit reads the C-alpha atoms of two PDB or mmCIF files (plain or gzip),
 pairs them by residue number or by sequence, and finds the subset of pairs
 whose rigid superposition gives the most significant Levitt-Gerstein score.
 pairfit-batch runs many comparisons on every core or in cluster shards.
 The package holds both programs, the C++ library with its headers and
 CMake package, the Python module pairfit, the manual pages and the
 documentation.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Installed into a staging DESTDIR with the prefix /usr itself, so that the
# install scripts see /usr and put the Python module in Debian's own
# directory (python/CMakeLists.txt).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(depends "")
if(PAIRFIT_PYTHON)
  math(EXPR next_minor "${Python3_VERSION_MINOR} + 1")
  set(depends "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${next_minor}), python3-numpy")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zlib1g-dev")
# Python writes bytecode next to the module; the package removes it again.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-matplotlib, snakemake, slurm-client")
include(CPack)
