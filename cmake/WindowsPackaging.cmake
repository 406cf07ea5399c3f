# What the Windows installer and ZIP hold, and how the installer sets the programs up. Packaging.cmake
# includes this in its own place on Windows, which has no /usr tree, manual pages or desktop menu:
# both programs lie directly in the folder the user picks, beside the licence, the README and the
# icon that the file types show.
set(OSTREL_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(OSTREL_ICON ${OSTREL_DATA_DIR}/icons/ostrel.ico)

foreach(program ostrel-decrypt ostrel)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
# .txt and .md names, so that a double click opens them in an editor.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${OSTREL_ICON} DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decrypt and encrypt the files of the Ostrel file synchronizer")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Ostrel)
# One registry key for every version, so that installing a new version finds the old one and
# replaces it (installer.nsh names the keys too).
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Ostrel)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

# The installer's title and its Start menu folder; the list of installed programs shows the version.
set(CPACK_NSIS_PACKAGE_NAME Ostrel)
set(CPACK_NSIS_DISPLAY_NAME "Ostrel ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${OSTREL_ICON})
set(CPACK_NSIS_MUI_UNIICON ${OSTREL_ICON})
set(CPACK_NSIS_INSTALLED_ICON_NAME ostrel.ico)
# The programs are 64-bit, and so is the installer: it then runs where only 64-bit programs can,
# and writes the 64-bit views of the registry and of Program Files, which the programs read, rather
# than the redirected 32-bit ones.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# These directives open the installer's script. CPack does not escape '"', so the path is quoted
# with "'", which NSIS takes as well.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n!include '${OSTREL_DATA_DIR}/windows/installer.nsh'")
# A Start menu entry for the dialog. A file name cannot hold the "/" of the dialog's title.
set(CPACK_NSIS_MENU_LINKS ostrel-decrypt.exe "Ostrel Decryption and Encryption Utility")
# installer.nsh: an earlier installation goes first; the file types come and go with the programs,
# and so does the installer's entry on the user's PATH.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "!insertmacro OstrelRemovePreviousInstallation")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro OstrelRegisterFileTypes")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "!insertmacro OstrelUnregisterFileTypes\n!insertmacro OstrelRemoveFolderFromPath")

include(CPack)
