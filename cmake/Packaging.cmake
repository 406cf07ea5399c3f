# What `cmake --install` puts where, and the Debian package that CPack makes from it.
# Included last from the top CMakeLists.txt, so every program target already exists; a program
# that this build does not make (the tool, for instance) is left out together with its manual page
# and completion.
# A Windows build ships as an installer and a ZIP instead.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackaging.cmake)
  return()
endif()
include(GNUInstallDirs)

set(OSTREL_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

# Programs.
if(TARGET ostrel-decrypt)
  install(TARGETS ostrel-decrypt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET ostrel)
  install(TARGETS ostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The dialog's module: a shared library that no other program links, so not executable.
if(TARGET ostrel_dialog)
  install(TARGETS ostrel_dialog LIBRARY DESTINATION ${OSTREL_MODULE_INSTALL_DIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# Manual pages: the version comes from the project, and Debian wants them compressed. gzip -n
# leaves out the time stamp, so the same sources give the same package.
set(OSTREL_MANUAL_PAGES ostrel-decrypt)
if(TARGET ostrel)
  list(APPEND OSTREL_MANUAL_PAGES ostrel)
endif()
set(OSTREL_COMPRESSED_MANUAL_PAGES)
foreach(page IN LISTS OSTREL_MANUAL_PAGES)
  set(source ${OSTREL_DATA_DIR}/man/${page}.1.in)
  set(page_file ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${source} ${page_file} @ONLY)
  add_custom_command(
    OUTPUT ${page_file}.gz
    COMMAND gzip -9 -n -c ${page_file} > ${page_file}.gz
    DEPENDS ${page_file} ${source}
    COMMENT "Compressing manual page ${page}(1)"
    VERBATIM)
  list(APPEND OSTREL_COMPRESSED_MANUAL_PAGES ${page_file}.gz)
endforeach()
add_custom_target(ostrel_manual_pages ALL DEPENDS ${OSTREL_COMPRESSED_MANUAL_PAGES})
install(FILES ${OSTREL_COMPRESSED_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The dialog in the desktop's menu, offered for the encrypted files, with its icon in every size
# the hicolor theme looks up.
install(FILES ${OSTREL_DATA_DIR}/applications/ostrel-decrypt.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${OSTREL_DATA_DIR}/mime/ostrel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(size 16 32 48 64 128 256)
  install(FILES ${OSTREL_DATA_DIR}/icons/hicolor/${size}x${size}/apps/ostrel-decrypt.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${OSTREL_DATA_DIR}/icons/ostrel-decrypt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

if(TARGET ostrel)
  install(FILES ${OSTREL_DATA_DIR}/completion/ostrel
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Debian's copyright file in its machine-readable form, made from LICENSE so that the licence has
# one text: the holder from its copyright line, and the grant indented as a field's continuation
# lines, where an empty line is written " .".
set(OSTREL_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${OSTREL_LICENSE})
file(READ ${OSTREL_LICENSE} license_text)
if(NOT license_text MATCHES "Copyright \\(c\\) ([^\n]+)\n+(Permission is hereby granted.*)$")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the grant")
endif()
set(OSTREL_COPYRIGHT ${CMAKE_MATCH_1})
string(STRIP "${CMAKE_MATCH_2}" grant)
string(REPLACE "\n\n" "\n.\n" grant "${grant}")
string(REPLACE "\n" "\n " grant "${grant}")
set(OSTREL_LICENSE_GRANT " ${grant}")
configure_file(${OSTREL_DATA_DIR}/debian/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. dpkg-shlibdeps (dpkg-dev) reads the programs' shared libraries and writes
# the Depends field: libc, libstdc++ and, with the dialog, the wxWidgets GTK runtime. The menu,
# MIME and icon caches are refreshed by the triggers that those Debian packages register on the
# folders above, so the package needs no maintainer scripts.
set(OSTREL_PACKAGE_MAINTAINER "Ostrel maintainers <maintainers@ostrel.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VENDOR "Ostrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OSTREL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decrypt and encrypt the files of the Ostrel file synchronizer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${OSTREL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# ostrel mount is unmounted with fusermount3, and users other than root mount through it;
# ostrel serve --open starts the browser with xdg-open. The rest of the package works without them.
if(TARGET ostrel)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fuse3, xdg-utils")
endif()
# CPack puts the summary above this long description and formats both as Debian wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads and writes the .1crypt (Triple-DES) and .2crypt (Rijndael, 256-bit key)
files of the Ostrel file synchronizer, keyed from a pass phrase, and names the
plain file from the synchronizer's file-name suffixes.

ostrel-decrypt decrypts or encrypts one file per run from the command line, or
in a small dialog. ostrel works on whole trees and pipes for scripts and never
needs the pass phrase on its command line.")

include(CPack)
