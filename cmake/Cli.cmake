# vellumark-cli: installed into bin/ beside the window program's link, with its manual page
# and bash completion, and packaged on its own as vellumark-cli, which depends on Qt Core and
# nothing graphical, so a server without a display installs it alone. Included by
# Packaging.cmake before CPack, after the window program's package is described.

install(TARGETS vellumark-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/resources/vellumark-cli.1
                OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/vellumark-cli.1.gz COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/vellumark-cli.1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vellumark-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES resources/vellumark-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vellumark-cli
        COMPONENT cli)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumark-cli COMPONENT cli)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumark-cli RENAME changelog.gz COMPONENT cli)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vellumark cli)
set(CPACK_DEBIAN_VELLUMARK_PACKAGE_NAME vellumark)
set(CPACK_DEBIAN_VELLUMARK_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_VELLUMARK_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_CLI_PACKAGE_NAME vellumark-cli)
set(CPACK_DEBIAN_CLI_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "")
set(CPACK_DEBIAN_CLI_DESCRIPTION
"The shell side of Vellumark, for machines without a display: capture a
folder tree into a catalog from cron or a backup script, search catalogs
with several terms (size, index value, extension, path), count the records
found, and sum up each disk of a catalog. Catalogs are the same files the
window program writes and reads.")
