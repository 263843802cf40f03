# The Debian package (`cpack -G DEB` in the build folder, or `./build.sh package`) and the
# metadata software centres list the program by. Included after the install rules: the package
# holds exactly what they install.

install(FILES resources/org.vellumark.vellumark.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the licence as a machine-readable copyright file; it is written from LICENSE so
# the two cannot drift apart.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE _licence)
string(REGEX MATCH "^MIT License\n\nCopyright \\(c\\) ([^\n]*)\n\n" _head "${_licence}")
set(_copyright_holder "${CMAKE_MATCH_1}")
string(REPLACE "${_head}" "" _terms "${_licence}")
string(REGEX REPLACE "\n\n" "\n.\n" _terms "${_terms}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" _terms " ${_terms}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vellumark
Source: https://github.com/vellumark/vellumark

Files: *
Copyright: ${_copyright_holder}
License: MIT
${_terms}")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumark)

# A package whose changelog names another version would tell users the wrong story.
set(_changelog ${CMAKE_CURRENT_SOURCE_DIR}/resources/debian-changelog)
file(STRINGS ${_changelog} _newest LIMIT_COUNT 1)
if(NOT _newest MATCHES "^vellumark \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian-changelog starts with \"${_newest}\" but the project "
                      "version is ${PROJECT_VERSION}: add an entry for it")
endif()
# Debian compresses both without a timestamp (gzip -n) so rebuilds give the same bytes.
foreach(_page debian-changelog vellumark.1)
  execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/resources/${_page}
                  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/${_page}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_changelog} ${CMAKE_CURRENT_SOURCE_DIR}/resources/vellumark.1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumark RENAME changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vellumark.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's hardening: the whole GOT read-only once the program has started.
target_link_options(vellumark PRIVATE LINKER:-z,relro,-z,now)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellumark)
set(CPACK_PACKAGE_VENDOR "The Vellumark developers")
set(CPACK_PACKAGE_CONTACT "Vellumark developers <dev@vellumark.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/vellumark/vellumark)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "disk cataloguer: find files on disks that are not plugged in")
set(CPACK_PACKAGE_DESCRIPTION
"Vellumark keeps catalogues of what is stored on your disks. Point it at a
folder tree, give the capture an index value (a number that labels the disk),
and it writes one line per file - index, full path, size - into a plain-text
catalog.

Later, with the disk unplugged and in a drawer, open the catalog in a grid,
narrow it by part of a file name or by index value, and open any catalogued
file that is within reach.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening a catalogued file hands it to the desktop's application through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/Cli.cmake) # the second package, vellumark-cli
include(CPack)
