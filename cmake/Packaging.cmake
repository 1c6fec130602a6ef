# Installation beyond the programs themselves (their install() rules sit beside their targets),
# and the Debian package built from it by CPack.

if(NOT WIN32)
  if(HORAVANE_BUILD_GUI)
    install(FILES resources/horavane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 22 24 32 48 64 128 256)
      install(FILES resources/icons/horavane-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME horavane.png)
    endforeach()
    install(FILES resources/icons/horavane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()

  # The one password file of the workstation lives here (DefaultPasswordFilePath). Writable by
  # root alone: other users can check the password but not change it ("No Right!").
  set(HORAVANE_STATE_DIR /var/lib/horavane)
  install(DIRECTORY DESTINATION ${HORAVANE_STATE_DIR}
          DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

set(CPACK_PACKAGE_NAME horavane)
set(CPACK_PACKAGE_VENDOR "Horavane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find, read and set up network wall clocks on a LAN")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The window program horavane, the command line horavanectl and the clock simulator horavane-sim. "
       "They find network wall clocks on a /24 subnet over UDP port 6869, read their status and "
       "settings, and write settings back.")
set(CPACK_PACKAGE_CONTACT "Horavane maintainers <horavane@localhost>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  # The Qt 6 and libcrypto runtime libraries, as the binaries actually link them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
