# Installs the build into a scratch prefix, moves the whole tree elsewhere,
# hides the build's own data folder and starts the window from the moved
# tree (out of sight, silent audio), in a current folder full of decoys and
# with empty user folders.  Everything must be found in the moved tree, the
# first start must write the default settings to the user's configuration
# folder and nothing to the current folder, and no installed file may name
# the build or source tree or /usr/local.
#   cmake -DBUILD_DIR=<build> -DSCRATCH=<scratch> -DBINDIR=games
#         -DBUILD_DATADIR=<build data folder> -DSOURCE_DIR=<source> -P check_moved_install.cmake
set(hidden "${BUILD_DATADIR}.hidden")
if(EXISTS "${hidden}" AND NOT EXISTS "${BUILD_DATADIR}")
  file(RENAME "${hidden}" "${BUILD_DATADIR}")  # left by a run that was killed
endif()
file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${SCRATCH}/first
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(moved "${SCRATCH}/elsewhere/moved")
file(MAKE_DIRECTORY "${SCRATCH}/elsewhere" "${SCRATCH}/home" "${SCRATCH}/config" "${SCRATCH}/data"
     "${SCRATCH}/cwd")
file(RENAME "${SCRATCH}/first" "${moved}")

# Decoys in the current folder: none of them may be used.
file(WRITE "${SCRATCH}/cwd/BGM.wav" "FORM0000AIFF")
file(WRITE "${SCRATCH}/cwd/Rindou.htm" "decoy")
file(WRITE "${SCRATCH}/cwd/librindou-sound.so" "decoy")
file(GLOB cwd_before RELATIVE "${SCRATCH}/cwd" "${SCRATCH}/cwd/*")

file(RENAME "${BUILD_DATADIR}" "${hidden}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
          HOME=${SCRATCH}/home XDG_CONFIG_HOME=${SCRATCH}/config XDG_DATA_HOME=${SCRATCH}/data
          --unset=LD_LIBRARY_PATH
          ${moved}/${BINDIR}/rindou --check-install
  WORKING_DIRECTORY "${SCRATCH}/cwd"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
file(RENAME "${hidden}" "${BUILD_DATADIR}")
message(STATUS "rindou --check-install:\n${output}${errors}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the moved installation misses files (exit ${result})")
endif()

string(REPLACE "\n" ";" lines "${output}")
set(seen "")
foreach(line ${lines})
  if(line MATCHES "^(sound-library|sound|pictures|help) (.*)$")
    list(APPEND seen ${CMAKE_MATCH_1})
    set(where "${CMAKE_MATCH_2}")
    string(REGEX REPLACE "^[0-9]+/[0-9]+ " "" where "${where}")
    string(REGEX REPLACE "^file://" "" where "${where}")
    string(FIND "${where}" "${moved}/" at)
    if(NOT at EQUAL 0)
      message(FATAL_ERROR "found outside the moved tree: ${line}")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES seen)
list(LENGTH seen kinds)
if(NOT kinds EQUAL 4)
  message(FATAL_ERROR "the report lacks lines: ${seen}")
endif()

# The first start: the four default lines, code page 932 with CR LF, in the
# user's configuration folder, and nothing new in the current folder.
file(READ "${SCRATCH}/config/rindou/Rindou.ini" ini HEX)
set(defaults "94778c6989e63d97ce0d0a88da93ae8e7793b13d4f46460d0a8c6f89df8e9e8ad43d4f4e0d0a42474d3d4f4e0d0a")
if(NOT ini STREQUAL defaults)
  message(FATAL_ERROR "Rindou.ini holds ${ini}")
endif()
file(GLOB cwd_after RELATIVE "${SCRATCH}/cwd" "${SCRATCH}/cwd/*" "${SCRATCH}/cwd/.*")
if(NOT cwd_after STREQUAL cwd_before)
  message(FATAL_ERROR "the current folder changed: ${cwd_after}")
endif()

# No installed program or library names the machine it was built on.  A
# sanitizer build is exempt: the sanitizers keep each check's source file
# name for their reports, and no prefix map reaches those.
if(DEFINED CHECK_PATHS AND NOT CHECK_PATHS)
  set(binaries "")
else()
  file(GLOB_RECURSE binaries "${moved}/*")
endif()
foreach(f ${binaries})
  if(f MATCHES "\\.(png|wav|htm|svg|desktop)$")
    continue()
  endif()
  file(STRINGS "${f}" found REGEX "${SOURCE_DIR}|${BUILD_DIR}|/usr/local")
  if(found)
    list(GET found 0 first)
    message(FATAL_ERROR "${f} names '${first}'")
  endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
