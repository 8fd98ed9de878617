# Installs the build into a scratch prefix and checks that everything the
# game looks for at run time is where it looks:
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> -DBINDIR=games -DPRIVLIBDIR=lib/rindou
#         -DRINDOU_DATADIR=share/rindou -DDATADIR=share -P check_install.cmake
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
  ${RINDOU_DATADIR}/sounds/その他.wav
  ${RINDOU_DATADIR}/sounds/禁止.wav
  ${RINDOU_DATADIR}/sounds/駒打音.wav
  ${RINDOU_DATADIR}/sounds/BGM.wav
  ${DATADIR}/applications/rindou.desktop
  ${DATADIR}/icons/hicolor/scalable/apps/rindou.svg)
if(WITH_WINDOW)
  list(APPEND expected ${BINDIR}/rindou ${RINDOU_DATADIR}/pictures/COIN.png)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS ${PREFIX}/${DATADIR}/applications/rindou.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=rindou")
  message(FATAL_ERROR "desktop entry starts '${exec}'")
endif()
file(REMOVE_RECURSE ${PREFIX})
