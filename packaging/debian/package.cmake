# skyflume_<version>_amd64.deb: sonaplex-host in /usr/bin, the module in
# /usr/lib/skyflume, registered in the system registry folder by the
# package's scripts, so that sonaplex-host finds it without --module.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(module_folder lib/skyflume)
set(SKYFLUME_INSTALLED_MODULE ${CPACK_PACKAGING_INSTALL_PREFIX}/${module_folder}/Skyflume.sxp64)

install(TARGETS sonaplex-host RUNTIME DESTINATION bin)
install(TARGETS skyflume_module LIBRARY DESTINATION ${module_folder})

# The man page is the program's own --help, so the two never differ.
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/sonaplex-host.1)
add_custom_command(OUTPUT ${man_page}.gz
  COMMAND help2man --no-info --version-string=${PROJECT_VERSION}
          "--name=stream through the Skyflume plug-in to an Icecast server"
          --output=${man_page} $<TARGET_FILE:sonaplex-host>
  COMMAND gzip -9nf ${man_page}
  DEPENDS sonaplex-host
  VERBATIM)
add_custom_target(sonaplex_host_man_page ALL DEPENDS ${man_page}.gz)
install(FILES ${man_page}.gz DESTINATION share/man/man1)

# Debian's copyright file: LICENSE in the machine-readable format, each
# line of the text indented and each empty one a ".".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" license "${license}")
string(REGEX REPLACE "\n+$" "" license "${license}")
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " SKYFLUME_LICENSE_TEXT " ${license}")
string(REGEX REPLACE "^Copyright \\(c\\) " "" SKYFLUME_COPYRIGHT_HOLDERS "${SKYFLUME_COPYRIGHT}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in copyright @ONLY)
# A native package's changelog: one entry for the version; the history
# itself is in the repository.
set(SKYFLUME_PACKAGE_MAINTAINER "the Skyflume authors <skyflume@localhost>" CACHE STRING
    "The Debian package's maintainer, name <address>")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in changelog @ONLY)
add_custom_command(OUTPUT changelog.gz
  COMMAND gzip -9nkf changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_target(skyflume_debian_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION share/doc/skyflume)

# The service that runs one station per /etc/skyflume/NAME.toml.
install(FILES ${PROJECT_SOURCE_DIR}/systemd/skyflume@.service DESTINATION lib/systemd/system)

# Register on install, unregister on removal.
foreach(script postinst prerm postrm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${script}.in ${script} @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyflume)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SKYFLUME_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION "Skyflume is a plug-in module for the Sonaplex audio host that takes the
host's audio, encodes it as MP3 with FFmpeg and sends it as a source stream
to an Icecast server, with the station's name, description, genre and
website. This package holds the module and sonaplex-host, a reference host
that loads it as Sonaplex does and streams a file, a test tone, a sound card
or standard input through it.")
include(CPack)
