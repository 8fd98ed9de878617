# Installs the build into a scratch prefix and checks that everything the
# game looks for at run time is where it looks:
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> -DBINDIR=games -DPRIVLIBDIR=lib/rindou
#         -DRINDOU_DATADIR=share/rindou -DDATADIR=share ... -P check_install.cmake
# (the full list of variables is in install.cmake, which adds it as a test)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
  ${BINDIR}/rindou-cli
  ${PRIVLIBDIR}/librindou-sound.so
  ${RINDOU_DATADIR}/Rindou.htm
  ${RINDOU_DATADIR}/Rindou-en.htm
  ${RINDOU_DATADIR}/sounds/その他.wav
  ${RINDOU_DATADIR}/sounds/禁止.wav
  ${RINDOU_DATADIR}/sounds/駒打音.wav
  ${RINDOU_DATADIR}/sounds/BGM.wav
  ${MANDIR}/man6/rindou-cli.6.gz
  ${DOCDIR}/copyright
  ${DOCDIR}/changelog.gz)
if(WITH_WINDOW)
  list(APPEND expected ${BINDIR}/rindou ${RINDOU_DATADIR}/pictures/COIN.png
       ${MANDIR}/man6/rindou.6.gz
       ${DATADIR}/applications/${APP_ID}.desktop
       ${DATADIR}/metainfo/${APP_ID}.metainfo.xml
       ${DATADIR}/icons/hicolor/16x16/apps/${APP_ID}.png
       ${DATADIR}/icons/hicolor/256x256/apps/${APP_ID}.png)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(WITH_WINDOW)
  file(STRINGS ${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop exec REGEX "^Exec=")
  if(NOT exec STREQUAL "Exec=${EXEC}")
    message(FATAL_ERROR "desktop entry starts '${exec}'")
  endif()
endif()
# The change log and the metainfo, written by hand, name this version as their newest.
file(STRINGS ${SOURCE_DIR}/packaging/changelog.in top LIMIT_COUNT 1)
if(NOT top MATCHES "^rindou \\(${VERSION}\\) ")
  message(FATAL_ERROR "the change log's newest entry is not ${VERSION}: ${top}")
endif()
file(READ ${SOURCE_DIR}/assets/desktop/rindou.metainfo.xml.in metainfo)
if(NOT metainfo MATCHES "<releases>[ \n]*<release version=\"${VERSION}\"")
  message(FATAL_ERROR "the metainfo's newest release is not ${VERSION}")
endif()
file(REMOVE_RECURSE ${PREFIX})
