# The online server as a Debian package of its own, rindou-server, made by a
# second CPack run over the install component "server" alone:
#   cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
#         -DRINDOU_SERVER_SITE=<web build>/site
#   cmake --build build-deb --target rindou-server
#   (cd build-deb && cpack --config CPackServerConfig.cmake)
# gives build-deb/rindou-server_<version>_<arch>.deb: the program, the web
# page it sends, a systemd unit, a manual page and an example nginx site.
if(NOT TARGET rindou-server)
  return()
endif()
set(RINDOU_SERVER_SITE "" CACHE PATH "The built web page (a web build's site folder) the server package carries")

set(RINDOU_SERVER_DOC_DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/rindou-server)
set(RINDOU_SERVER_DOCDIR ${CMAKE_INSTALL_PREFIX}/${RINDOU_SERVER_DOC_DESTINATION})
set(RINDOU_SERVER_PROGRAM ${rindou_full_bindir}/rindou-server)
set(RINDOU_SERVER_SITE_DESTINATION ${RINDOU_INSTALL_DATADIR}/site)
# The same folder the program finds by itself from its own.
set(RINDOU_SERVER_SITE_INSTALLED "${rindou_full_datadir}/site")

if(RINDOU_SERVER_SITE)
  # The compressed forms made beside the files go along; the stamps of the
  # web build do not.
  install(DIRECTORY ${RINDOU_SERVER_SITE}/ DESTINATION ${RINDOU_SERVER_SITE_DESTINATION}
          COMPONENT server EXCLUDE_FROM_ALL
          FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
          PATTERN "*.stamp" EXCLUDE)
endif()

set(server_doc ${CMAKE_BINARY_DIR}/doc/server)
file(MAKE_DIRECTORY ${server_doc})
configure_file(${PROJECT_SOURCE_DIR}/packaging/server/rindou-server.service.in ${server_doc}/rindou-server.service @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/server/rindou-server.6.in ${server_doc}/rindou-server.6 @ONLY)
file(READ ${PROJECT_SOURCE_DIR}/packaging/changelog.in server_changelog)
string(REGEX REPLACE "^rindou " "rindou-server " server_changelog "${server_changelog}")
file(WRITE ${server_doc}/changelog.in "${server_changelog}")
configure_file(${server_doc}/changelog.in ${server_doc}/changelog @ONLY)
foreach(name rindou-server.6 changelog)
  execute_process(COMMAND gzip -9n -c ${server_doc}/${name} OUTPUT_FILE ${server_doc}/${name}.gz
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${name} failed")
  endif()
endforeach()
install(FILES ${server_doc}/rindou-server.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
        COMPONENT server EXCLUDE_FROM_ALL)
# Debian 12 keeps the units of packages in /lib, not /usr/lib.
install(FILES ${server_doc}/rindou-server.service DESTINATION /lib/systemd/system
        COMPONENT server EXCLUDE_FROM_ALL)
install(FILES ${server_doc}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${PROJECT_SOURCE_DIR}/packaging/server/nginx-site.conf ${PROJECT_SOURCE_DIR}/docs/online.md
        DESTINATION ${RINDOU_SERVER_DOC_DESTINATION} COMPONENT server EXCLUDE_FROM_ALL)

# A CPack configuration of its own, beside the game's CPackConfig.cmake.
set(server_cpack ${CMAKE_BINARY_DIR}/CPackServerConfig.cmake)
file(CONFIGURE OUTPUT ${server_cpack} @ONLY CONTENT [=[
set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS "@CMAKE_BINARY_DIR@;Rindou;server;/")
set(CPACK_CMAKE_GENERATOR "@CMAKE_GENERATOR@")
set(CPACK_PACKAGE_DIRECTORY "@CMAKE_BINARY_DIR@")
set(CPACK_OUTPUT_CONFIG_FILE "@server_cpack@")
set(CPACK_PACKAGE_NAME rindou-server)
set(CPACK_PACKAGE_FILE_NAME "rindou-server-@PROJECT_VERSION@")
set(CPACK_PACKAGE_VERSION "@PROJECT_VERSION@")
set(CPACK_PACKAGE_VENDOR "The Rindou developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "server for online games of Rindou")
set(CPACK_PACKAGE_DESCRIPTION "Rindou is shogi on a nine by nine board with a neutral coin that every
move made on the board carries along by the same displacement.
This package hosts online games: it sends the game's web page, lets a
player invite a friend by a link, referees every move and both clocks,
lets anyone with the watch link follow, and keeps the games in an SQLite
database. It runs as a systemd service on the loopback address, behind a
proxy that carries TLS (an example nginx site is included).")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "@RINDOU_PACKAGE_MAINTAINER@")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "@CMAKE_INSTALL_PREFIX@")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "@PROJECT_SOURCE_DIR@/packaging/server/postinst;@PROJECT_SOURCE_DIR@/packaging/server/prerm;@PROJECT_SOURCE_DIR@/packaging/server/postrm")
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL server)
]=])
