# Installation: the sound library, the sound files and the help page, a
# desktop entry, metainfo and icons, manual pages and documents.  The window
# and its pictures are installed by app/qt, the console front end by app/cli.
#
#   games/rindou, games/rindou-cli           (RINDOU_INSTALL_BINDIR)
#   lib/<arch>/rindou/librindou-sound.so     (RINDOU_INSTALL_PRIVLIBDIR)
#   share/rindou/{Rindou.htm, Rindou-en.htm, sounds/*.wav, pictures/*}   (RINDOU_INSTALL_DATADIR)
#   share/applications/<app id>.desktop, share/metainfo/<app id>.metainfo.xml
#   share/icons/hicolor/<size>x<size>/apps/<app id>.png
#   share/man/man6/{rindou,rindou-cli}.6.gz
#   share/doc/rindou/{copyright, changelog.gz, console.md, console-explain.md}

set(RINDOU_DATA_DESTINATION ${RINDOU_INSTALL_DATADIR})

install(TARGETS rindou-sound LIBRARY DESTINATION ${RINDOU_INSTALL_PRIVLIBDIR})

# The help pages, Japanese and English, beside the pictures they show.
install(FILES ${PROJECT_SOURCE_DIR}/assets/Rindou.htm ${PROJECT_SOURCE_DIR}/assets/Rindou-en.htm
        DESTINATION ${RINDOU_DATA_DESTINATION})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/sounds DESTINATION ${RINDOU_DATA_DESTINATION}
        FILES_MATCHING PATTERN "*.wav")

# Desktop integration, for the window only, every file named by the
# application id: the desktop entry (starting the program by its installed
# path, so a PATH without the games folder still finds it), the AppStream
# metainfo and the icon at the icon theme's sizes.
set(RINDOU_ICON_SIZES 16 22 24 32 48 64 128 256 512)
if(TARGET rindou)
  set(RINDOU_DESKTOP_EXEC ${rindou_full_bindir}/rindou)
  configure_file(${PROJECT_SOURCE_DIR}/assets/desktop/rindou.desktop.in
                 ${CMAKE_BINARY_DIR}/desktop/${RINDOU_APP_ID}.desktop @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/assets/desktop/rindou.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/desktop/${RINDOU_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/desktop/${RINDOU_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/desktop/${RINDOU_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size ${RINDOU_ICON_SIZES})
    install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/icons/rindou-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${RINDOU_APP_ID}.png)
  endforeach()
endif()

# Manual pages and the documents a package carries: the copyright notice and
# the change log, compressed as manual pages and change logs are.
set(RINDOU_DOC_DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/rindou)
set(RINDOU_MAN_DATADIR ${rindou_full_datadir})
set(RINDOU_MAN_DOCDIR ${CMAKE_INSTALL_PREFIX}/${RINDOU_DOC_DESTINATION})
function(rindou_gzip_configured source name destination)
  configure_file(${source} ${CMAKE_BINARY_DIR}/doc/${name} @ONLY)
  # -n: no name or time stamp inside, so the same text gives the same bytes.
  execute_process(COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/doc/${name}
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/doc/${name}.gz RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${name} failed")
  endif()
  install(FILES ${CMAKE_BINARY_DIR}/doc/${name}.gz DESTINATION ${destination})
endfunction()
set(rindou_programs rindou-cli)
if(TARGET rindou)
  list(APPEND rindou_programs rindou)
endif()
foreach(program ${rindou_programs})
  rindou_gzip_configured(${PROJECT_SOURCE_DIR}/packaging/${program}.6.in ${program}.6
                         ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
set(RINDOU_PACKAGE_MAINTAINER "Rindou maintainers <maintainers@users.noreply.c-seed-ff3c8cfa.example>"
    CACHE STRING "Maintainer named in the package and its change log")
rindou_gzip_configured(${PROJECT_SOURCE_DIR}/packaging/changelog.in changelog
                       ${RINDOU_DOC_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${RINDOU_DOC_DESTINATION})
# The console's protocol, which the console's manual page points to.
file(GLOB rindou_console_docs ${PROJECT_SOURCE_DIR}/docs/console*.md)
install(FILES ${rindou_console_docs} DESTINATION ${RINDOU_DOC_DESTINATION})

# A test that installs into a scratch folder and looks at the result.
if(RINDOU_WITH_TESTS)
  set(rindou_with_window OFF)
  if(TARGET rindou)
    set(rindou_with_window ON)
  endif()
  add_test(NAME InstallLayout
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                   -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                   -DBINDIR=${RINDOU_INSTALL_BINDIR} -DPRIVLIBDIR=${RINDOU_INSTALL_PRIVLIBDIR}
                   -DRINDOU_DATADIR=${RINDOU_INSTALL_DATADIR} -DDATADIR=${CMAKE_INSTALL_DATADIR}
                   -DWITH_WINDOW=${rindou_with_window}
                   -DAPP_ID=${RINDOU_APP_ID} -DEXEC=${RINDOU_DESKTOP_EXEC}
                   -DMANDIR=${CMAKE_INSTALL_MANDIR} -DDOCDIR=${RINDOU_DOC_DESTINATION}
                   -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -P ${PROJECT_SOURCE_DIR}/cmake/check_install.cmake)
  # An installation moved elsewhere as a whole, started with the build's own
  # data out of reach: it must find everything of its own.
  if(rindou_with_window AND NOT IS_ABSOLUTE "${RINDOU_INSTALL_BINDIR}")
    add_test(NAME InstallMoved
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DSCRATCH=${CMAKE_BINARY_DIR}/install-moved
                     -DBINDIR=${RINDOU_INSTALL_BINDIR}
                     -DBUILD_DATADIR=${RINDOU_BUILD_DATADIR}
                     -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                     -DCHECK_PATHS=$<NOT:$<BOOL:${RINDOU_SANITIZE}>>
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_moved_install.cmake)
    # It hides the build's data folder for a moment: no other test may run.
    set_tests_properties(InstallMoved PROPERTIES RUN_SERIAL ON TIMEOUT 120)
  endif()
endif()
