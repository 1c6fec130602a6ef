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

  # The manual pages are written in scdoc (docs/man/) and become roff here, compressed as Debian
  # wants them: gzip -n, so that the package does not change with the time of the build.
  find_program(HORAVANE_SCDOC scdoc)
  find_program(HORAVANE_GZIP gzip REQUIRED)
  set(manuals horavanectl horavane-sim)
  if(HORAVANE_BUILD_GUI)
    list(APPEND manuals horavane)
  endif()
  set(manual_files)
  if(HORAVANE_SCDOC)
    foreach(manual ${manuals})
      set(source ${PROJECT_SOURCE_DIR}/docs/man/${manual}.1.scd)
      set(page ${PROJECT_BINARY_DIR}/man/${manual}.1)
      add_custom_command(
        OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND sh -c "'${HORAVANE_SCDOC}' <'${source}' >'${page}'"
        COMMAND sh -c "'${HORAVANE_GZIP}' -9n -c '${page}' >'${page}.gz'"
        DEPENDS ${source}
        COMMENT "Writing the manual page ${manual}(1)"
        VERBATIM)
      list(APPEND manual_files ${page}.gz)
    endforeach()
    add_custom_target(horavane_manuals ALL DEPENDS ${manual_files})
    install(FILES ${manual_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "scdoc is missing: no manual pages (scripts/bootstrap.sh installs it)")
  endif()

  set(changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND sh -c "'${HORAVANE_GZIP}' -9n -c '${PROJECT_SOURCE_DIR}/packaging/debian/changelog' >'${changelog}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    VERBATIM)
  add_custom_target(horavane_changelog ALL DEPENDS ${changelog})
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/horavane)
  install(FILES ${changelog} packaging/debian/copyright README.md DESTINATION ${docdir})

  # Tags lintian gets wrong for this package, each with its reason.
  install(FILES packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME horavane)

  # bash-completion loads a command's completion on first use from here, by the command's name.
  install(FILES packaging/bash-completion/horavanectl DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

set(CPACK_PACKAGE_NAME horavane)
set(CPACK_PACKAGE_VENDOR "Horavane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find, read and set up network wall clocks on a LAN")
# Debian shows the long description as it stands: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The window program horavane, the command line horavanectl and the clock\n"
       "simulator horavane-sim. They find network wall clocks on a subnet over UDP\n"
       "port 6869, read their status and settings, and write settings back.")
set(CPACK_PACKAGE_CONTACT "Horavane developers <maintainers@horavane.org>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The first Debian revision of the upstream version: a package built from the project's own
  # release, whose Debian changes are in changelog.Debian.gz.
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  # The Qt 6 and libcrypto runtime libraries, as the binaries actually link them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libqt6gui6 only recommends the platform plugins, without which the window cannot start.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://horavane.org/)
  # The maintainer scripts: the password file's folder on purge, and the Prometheus timer handled
  # as Debian's own helpers handle a shipped systemd unit.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
      ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
      ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
