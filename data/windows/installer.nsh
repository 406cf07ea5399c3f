; What the installer does beyond copying the files and making the Start menu entry.

; The .1crypt and .2crypt file types. Both extensions name one class, which shows the programs'
; icon and opens a file with ostrel-decrypt.exe, its path as the one argument (for which
; ostrel-decrypt opens its dialog, with empty fields). Removing them takes an extension back only
; while it still names our class: a program that has claimed it since keeps it.
!include LogicLib.nsh

!define OSTREL_FILE_CLASS "Ostrel.EncryptedFile"
!define OSTREL_CLASSES "Software\Classes"
; SHCNE_ASSOCCHANGED: Explorer reads the types again and redraws the icons at once.
!define OSTREL_ASSOCIATIONS_CHANGED "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"

!macro OstrelRegisterFileTypes
  WriteRegStr SHCTX "${OSTREL_CLASSES}\${OSTREL_FILE_CLASS}" "" "Ostrel encrypted file"
  WriteRegStr SHCTX "${OSTREL_CLASSES}\${OSTREL_FILE_CLASS}\DefaultIcon" "" "$INSTDIR\ostrel.ico"
  WriteRegStr SHCTX "${OSTREL_CLASSES}\${OSTREL_FILE_CLASS}\shell\open\command" "" \
    '"$INSTDIR\ostrel-decrypt.exe" "%1"'
  WriteRegStr SHCTX "${OSTREL_CLASSES}\.1crypt" "" "${OSTREL_FILE_CLASS}"
  WriteRegStr SHCTX "${OSTREL_CLASSES}\.2crypt" "" "${OSTREL_FILE_CLASS}"
  System::Call "${OSTREL_ASSOCIATIONS_CHANGED}"
!macroend

!macro OstrelReleaseExtension EXTENSION
  ReadRegStr $0 SHCTX "${OSTREL_CLASSES}\${EXTENSION}" ""
  ${If} $0 == "${OSTREL_FILE_CLASS}"
    DeleteRegValue SHCTX "${OSTREL_CLASSES}\${EXTENSION}" ""
    DeleteRegKey /ifempty SHCTX "${OSTREL_CLASSES}\${EXTENSION}"
  ${EndIf}
!macroend

!macro OstrelUnregisterFileTypes
  !insertmacro OstrelReleaseExtension .1crypt
  !insertmacro OstrelReleaseExtension .2crypt
  DeleteRegKey SHCTX "${OSTREL_CLASSES}\${OSTREL_FILE_CLASS}"
  System::Call "${OSTREL_ASSOCIATIONS_CHANGED}"
!macroend

; Installing over an earlier installation removes that one first, wherever it lies, with its own
; uninstaller, so that none of its files, links or types stay behind. That uninstaller runs in
; place (_?=) so that it is done when ExecWait returns, and so cannot delete itself: that is done
; here. The keys are those that WindowsPackaging.cmake gives CPack.
!macro OstrelRemovePreviousInstallation
  ReadRegStr $0 SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel" "UninstallString"
  ReadRegStr $1 SHCTX "Software\Ostrel\Ostrel" ""
  ${If} $0 != ""
  ${AndIf} $1 != ""
    ExecWait '$0 /S _?=$1'
    Delete "$1\Uninstall.exe"
    RMDir "$1"
    ; The new folder may be the old one.
    SetOutPath "$INSTDIR"
  ${EndIf}
!macroend

; The installer keeps its folder under Software\Ostrel\Ostrel; the uninstaller removes that key
; itself, and then Software\Ostrel, unless something else has been put there since.
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX "Software\Ostrel"
FunctionEnd
