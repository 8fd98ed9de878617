# The Debian package, made by CPack from an installed build:
#   cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build-deb && (cd build-deb && cpack)
# gives build-deb/rindou_<version>_<arch>.deb.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "The Debian package is meant to be built with -DCMAKE_INSTALL_PREFIX=/usr "
                 "(this build's prefix is ${CMAKE_INSTALL_PREFIX})")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rindou)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Rindou developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shogi with a coin that every move carries along")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Rindou is shogi on a nine by nine board with one extra rule: a neutral coin
starts on the centre square, and every move made on the board carries it
along by the same displacement as the moving piece. A move is allowed only
if the coin lands on an empty square, so the coin blocks, gets pushed and
changes which moves are possible.

Play the computer at three levels with a handicap ladder of twenty-one
grades, or share the board with another person. Games are recorded, saved,
loaded and replayed. A console front end, rindou-cli, plays the same game
through text commands for scripts and tests.]=])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RINDOU_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# dpkg-shlibdeps finds the libraries the programs and the sound library link
# to; it cannot see what Qt loads at run time (its platform plugins) nor the
# font the board is drawn in, so those are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-mincho")
# Stripped: no debug symbols in the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only what `cmake --install` installs: no component split.
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)

# The online server's own package, by a second CPack run.
include(${CMAKE_CURRENT_LIST_DIR}/server_package.cmake)
