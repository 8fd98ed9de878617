# Installation: the sound library, the sound files and the help page, a
# desktop entry and the icons.  The window (bin/rindou) and its pictures are
# installed by app/qt, the console front end by app/cli.
#
#   games/rindou, games/rindou-cli           (RINDOU_INSTALL_BINDIR)
#   lib/<arch>/rindou/librindou-sound.so     (RINDOU_INSTALL_PRIVLIBDIR)
#   share/rindou/{Rindou.htm, sounds/*.wav, pictures/*}   (RINDOU_INSTALL_DATADIR)
#   share/applications/rindou.desktop
#   share/icons/hicolor/scalable/apps/rindou.svg (and the window's PNG icons)

set(RINDOU_DATA_DESTINATION ${RINDOU_INSTALL_DATADIR})

install(TARGETS rindou-sound LIBRARY DESTINATION ${RINDOU_INSTALL_PRIVLIBDIR})

install(FILES ${PROJECT_SOURCE_DIR}/assets/Rindou.htm DESTINATION ${RINDOU_DATA_DESTINATION})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/sounds DESTINATION ${RINDOU_DATA_DESTINATION}
        FILES_MATCHING PATTERN "*.wav")

if(EXISTS ${PROJECT_SOURCE_DIR}/assets/pictures)
  # The window's icons also go to the icon theme, each in the folder of
  # its size as read from the PNG header.
  file(GLOB rindou_icon_pngs CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/assets/pictures/*icon*.png
       ${PROJECT_SOURCE_DIR}/assets/pictures/*Icon*.png
       ${PROJECT_SOURCE_DIR}/assets/pictures/*ICON*.png)
  foreach(png ${rindou_icon_pngs})
    file(READ ${png} header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 32 8 width_hex)
    string(SUBSTRING "${header}" 40 8 height_hex)
    math(EXPR width "0x${width_hex}")
    math(EXPR height "0x${height_hex}")
    if(width EQUAL height AND width GREATER 0)
      install(FILES ${png}
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${width}x${width}/apps
              RENAME rindou.png)
    endif()
  endforeach()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/rindou.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/rindou.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

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
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_moved_install.cmake)
    # It hides the build's data folder for a moment: no other test may run.
    set_tests_properties(InstallMoved PROPERTIES RUN_SERIAL ON TIMEOUT 120)
  endif()
endif()
