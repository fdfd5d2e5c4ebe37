include(GNUInstallDirs)
install(TARGETS dtu-config dtu-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES app/res/dtu-config.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/res/dtu-config.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES README.md app/res/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the changelog go in compressed, as Debian keeps them; the AppStream entry
# lets software centres list the program.
configure_file(app/res/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/pkg/changelog @ONLY)
configure_file(app/res/com.example.dtu_config.metainfo.xml.in
  ${CMAKE_CURRENT_BINARY_DIR}/pkg/com.example.dtu_config.metainfo.xml @ONLY)
set(dtu_pkg_gz)
foreach(src app/res/dtu-config.1 app/res/dtu-sim.1 ${CMAKE_CURRENT_BINARY_DIR}/pkg/changelog)
  get_filename_component(name ${src} NAME)
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/pkg/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9n -c ${src} > ${gz}
    DEPENDS ${src}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    VERBATIM)
  list(APPEND dtu_pkg_gz ${gz})
endforeach()
add_custom_target(dtu_pkg_files ALL DEPENDS ${dtu_pkg_gz})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pkg/dtu-config.1.gz ${CMAKE_CURRENT_BINARY_DIR}/pkg/dtu-sim.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pkg/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pkg/com.example.dtu_config.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.png" PATTERN "*.md")

set(CPACK_PACKAGE_NAME dtu-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration and terminal tool for cellular serial-to-network modules")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Opens a serial port to a module that speaks a text command set, reads every
parameter into one form, writes the edited form back, runs commands in a
coloured console with a hexadecimal mirror, sends text messages through the
module and upgrades its firmware over the boot loader with XModem-CRC.
.
A batch mode and a provisioning station configure modules by the hundred,
each with its own values, verified and recorded. The package also holds
dtu-sim, a simulated module on a pseudo-terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "dtu-config maintainers <maintainers@example.com>")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
