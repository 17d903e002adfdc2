# The Debian package, built by CPack:
#
#   cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DPATTERNLENS_TESTS=OFF
#   cmake --build build-package && (cd build-package && cpack)
#
# scripts/package.sh does this with Debian's hardening flags. Dependencies
# are derived from the binaries by dpkg-shlibdeps, never listed by hand; the
# Python package's dependencies on Python itself, which dh_python3 would
# derive, are written out (python/CMakeLists.txt).
#
# The packages: patternlens (every file installed without a component),
# libpatternlens-dev (the "dev" component: the engine library for C++
# programs, api/CMakeLists.txt) and, with the Python module built,
# python3-patternlens (the "python" component). The -dev package holds no
# program to derive dependencies from: it names the -dev packages of the
# libraries its own links.

set(PATTERNLENS_MAINTAINER "The Patternlens developers <patternlens@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package and its changelog")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME patternlens)
set(CPACK_PACKAGE_VENDOR "The Patternlens developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of procedural grey-level patterns")
# Debian's extended description: one paragraph, lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Patternlens composes grey-level patterns from layers (Noise, Squares and
Circles), each with its own pan and zoom, an Inverse switch and a few
bounded parameters. Any parameter can be driven, pixel by pixel, by another
layer, so a composition is a tree of layers that is walked down and back up.
Compositions are saved to and loaded from XML scene files, and
patternlens-render renders them to PNG or PGM images without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripNotes.cmake)
# Directories CPack creates itself, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PATTERNLENS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# Every Debian package documents its copyright and its changes in
# /usr/share/doc/<package>. The changelog is compressed like the manual pages.
set(debian_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(debian_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${debian_changelog} @ONLY)
add_custom_command(
  OUTPUT ${debian_changelog}.gz
  COMMAND gzip -9n -c ${debian_changelog} > ${debian_changelog}.gz
  DEPENDS ${debian_changelog}
  VERBATIM)
add_custom_target(patternlens_debian_changelog ALL DEPENDS ${debian_changelog}.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${debian_changelog}.gz DESTINATION ${debian_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified dev)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
# Each package has its own summary: the first line of its description.
# (CPack puts the project's summary before a component's description.)
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")

# A package's own copy of the copyright, the changelog and the lintian
# overrides (renamed for it), installed with its component.
function(patternlens_package_docs component package)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${debian_changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  set(overrides_file ${CMAKE_CURRENT_BINARY_DIR}/lintian-overrides-${component})
  file(READ ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides overrides)
  string(REPLACE "${CPACK_PACKAGE_NAME}: " "${package}: " overrides "${overrides}")
  file(WRITE ${overrides_file} "${overrides}")
  install(FILES ${overrides_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
          COMPONENT ${component})
endfunction()

set(dev_package libpatternlens-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${dev_package})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SOURCE ${CPACK_PACKAGE_NAME})
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libtinyxml-dev, libhwy-dev, zlib1g-dev, libisal-dev, libopenexr-dev, libtiff-dev")
set(CPACK_DEBIAN_DEV_DESCRIPTION "procedural grey-level patterns for C++ programs (static library)
Patternlens composes grey-level patterns from trees of layers in its viewer
and saves them as scene files. This library renders those scenes inside a
C++ program, at any size, into memory as 8-bit, 16-bit or float samples, or
into the PNG, PGM, OpenEXR and TIFF images patternlens-render writes, with
the same bytes. It holds the static library, the header
patternlens/patternlens.h, a pkg-config file (patternlens) and a CMake
package (find_package(Patternlens), target Patternlens::patternlens).")
patternlens_package_docs(dev ${dev_package})

if(PATTERNLENS_PYTHON)
  set(python_package python3-patternlens)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${python_package})
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SOURCE ${CPACK_PACKAGE_NAME})
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${PATTERNLENS_PYTHON_DEPENDS}")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-dask, python3-distributed, python3-zarr")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "procedural grey-level patterns as numpy arrays (Python 3)
The Python module patternlens renders the compositions of Patternlens, the
viewer of procedural grey-level patterns, into numpy arrays: the bytes and
16-bit values patternlens-render writes, or the values themselves as
float32. Compositions are loaded from scene files or built in code, and
saved as the viewer saves them. patternlens.dask renders images of any size
chunk by chunk as dask arrays, on a distributed cluster too.")
  patternlens_package_docs(python ${python_package})
endif()
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)

include(CPack)
