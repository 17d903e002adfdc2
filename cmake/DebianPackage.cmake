# The Debian package, built by CPack:
#
#   cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DPATTERNLENS_TESTS=OFF
#   cmake --build build-package && (cd build-package && cpack)
#
# scripts/package.sh does this with Debian's hardening flags. Dependencies
# are derived from the binaries by dpkg-shlibdeps, never listed by hand.

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

include(CPack)
