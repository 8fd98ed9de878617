# Names one build of the page: a digest of every source the site is made
# from, compiled into the module (build_id.h) and written into the page's
# scripts in place of @RINDOU_BUILD_ID@.  The page, its search worker and
# its offline copy compare it, so that files of two builds never serve one
# game together.
#   cmake -DROOT=<project folder> -DSOURCES_LIST=<file listing the sources> -DHEADER=<build_id.h>
#         -DSCRIPTS=<a,b> -DFROM=<folder> -DINTO=<folder> -P build_id.cmake
file(STRINGS "${SOURCES_LIST}" sources)
list(SORT sources)
set(all "")
foreach(f IN LISTS sources)
  file(SHA256 "${f}" digest)
  # By the path within the project: the same sources, wherever checked out,
  # are the same build.
  file(RELATIVE_PATH name "${ROOT}" "${f}")
  string(APPEND all "${name}:${digest}\n")
endforeach()
string(SHA256 id "${all}")
string(SUBSTRING "${id}" 0 16 id)
set(header "// Made by build_id.cmake.\n#define RINDOU_BUILD_ID \"${id}\"\n")
set(old "")
if(EXISTS "${HEADER}")
  file(READ "${HEADER}" old)
endif()
# Written only when it changed: the module is not compiled again for nothing.
if(NOT old STREQUAL header)
  file(WRITE "${HEADER}" "${header}")
endif()
string(REPLACE "," ";" SCRIPTS "${SCRIPTS}")
foreach(s IN LISTS SCRIPTS)
  file(READ "${FROM}/${s}" text)
  string(REPLACE "@RINDOU_BUILD_ID@" "${id}" text "${text}")
  file(WRITE "${INTO}/${s}" "${text}")
endforeach()
