# Installation: the game, the console front end (its rule lives with it), the
# sound library, the data files, a desktop entry and the icon.
#
#   bin/rindou, bin/rindou-cli
#   lib/librindou-sound.so
#   share/rindou/{Rindou.htm, sounds/*.wav, pictures/*}
#   share/applications/rindou.desktop
#   share/icons/hicolor/scalable/apps/rindou.svg (and the window's PNG icons)

set(RINDOU_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/rindou)

if(TARGET rindou)
  install(TARGETS rindou RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(TARGETS rindou-sound LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(FILES ${PROJECT_SOURCE_DIR}/assets/Rindou.htm DESTINATION ${RINDOU_DATA_DESTINATION})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/sounds DESTINATION ${RINDOU_DATA_DESTINATION}
        FILES_MATCHING PATTERN "*.wav")

# The pictures, whatever the window has generated so far.
if(EXISTS ${PROJECT_SOURCE_DIR}/assets/pictures)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/pictures DESTINATION ${RINDOU_DATA_DESTINATION})
  # Icons among them go to the icon theme as well: icon*.png, or a PNG named
  # after the size, such as icon-48.png or rindou-48x48.png.
  file(GLOB rindou_icon_pngs CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/assets/pictures/*icon*.png
       ${PROJECT_SOURCE_DIR}/assets/pictures/rindou*.png)
  foreach(png ${rindou_icon_pngs})
    get_filename_component(stem ${png} NAME_WE)
    if(stem MATCHES "([0-9]+)(x[0-9]+)?$")
      set(size ${CMAKE_MATCH_1})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME rindou.png)
    else()
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps RENAME rindou.png)
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
                   -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -DDATADIR=${CMAKE_INSTALL_DATADIR}
                   -DWITH_WINDOW=${rindou_with_window}
                   -P ${PROJECT_SOURCE_DIR}/cmake/check_install.cmake)
endif()
