# Where an installation puts each kind of file, in one place.  The programs
# find their data and the sound library relative to their own folder, so only
# the relative paths between these folders are built into them, and the build
# tree is laid out the same way (programs in <build>/<bindir>, data in
# <build>/<datadir>, the sound library in <build>/<privlibdir>).
include(GNUInstallDirs)

set(RINDOU_INSTALL_BINDIR "games" CACHE STRING
    "Folder of the two programs (relative to the install prefix, or absolute)")
set(RINDOU_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/rindou" CACHE STRING
    "Folder of the pictures, sounds and help page")
set(RINDOU_INSTALL_PRIVLIBDIR "${CMAKE_INSTALL_LIBDIR}/rindou" CACHE STRING
    "Private folder of the sound library")

function(rindou_full_dir dir out)
  if(IS_ABSOLUTE "${dir}")
    set(full "${dir}")
  else()
    set(full "${CMAKE_INSTALL_PREFIX}/${dir}")
  endif()
  cmake_path(NORMAL_PATH full)
  set(${out} "${full}" PARENT_SCOPE)
endfunction()

rindou_full_dir("${RINDOU_INSTALL_BINDIR}" rindou_full_bindir)
rindou_full_dir("${RINDOU_INSTALL_DATADIR}" rindou_full_datadir)
rindou_full_dir("${RINDOU_INSTALL_PRIVLIBDIR}" rindou_full_privlibdir)
cmake_path(RELATIVE_PATH rindou_full_datadir BASE_DIRECTORY "${rindou_full_bindir}"
           OUTPUT_VARIABLE RINDOU_DATA_FROM_BIN)
cmake_path(RELATIVE_PATH rindou_full_privlibdir BASE_DIRECTORY "${rindou_full_bindir}"
           OUTPUT_VARIABLE RINDOU_PRIVLIB_FROM_BIN)

# The same folders in the build tree: below the build folder as below the
# prefix, or, when one of them is absolute, each by its whole path.
if(IS_ABSOLUTE "${RINDOU_INSTALL_BINDIR}" OR IS_ABSOLUTE "${RINDOU_INSTALL_DATADIR}"
   OR IS_ABSOLUTE "${RINDOU_INSTALL_PRIVLIBDIR}")
  set(RINDOU_BUILD_BINDIR "${CMAKE_BINARY_DIR}/root${rindou_full_bindir}")
  set(RINDOU_BUILD_DATADIR "${CMAKE_BINARY_DIR}/root${rindou_full_datadir}")
  set(RINDOU_BUILD_PRIVLIBDIR "${CMAKE_BINARY_DIR}/root${rindou_full_privlibdir}")
else()
  set(RINDOU_BUILD_BINDIR "${CMAKE_BINARY_DIR}/${RINDOU_INSTALL_BINDIR}")
  set(RINDOU_BUILD_DATADIR "${CMAKE_BINARY_DIR}/${RINDOU_INSTALL_DATADIR}")
  set(RINDOU_BUILD_PRIVLIBDIR "${CMAKE_BINARY_DIR}/${RINDOU_INSTALL_PRIVLIBDIR}")
endif()

# For the scripts that start the built programs.
set(RINDOU_BUILD_BINDIR "${RINDOU_BUILD_BINDIR}" CACHE INTERNAL "Folder of the built programs")

# The data of the build tree are the source's assets, linked where an
# installation has its data folder.
file(MAKE_DIRECTORY "${RINDOU_BUILD_DATADIR}")
foreach(item Rindou.htm Rindou-en.htm sounds pictures)
  if(EXISTS "${PROJECT_SOURCE_DIR}/assets/${item}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/assets/${item}" "${RINDOU_BUILD_DATADIR}/${item}"
         SYMBOLIC)
  endif()
endforeach()

# Neither the source nor the build folder is named in what is built: not in
# __FILE__, not in the debug information.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=." "-ffile-prefix-map=${PROJECT_BINARY_DIR}=.")
