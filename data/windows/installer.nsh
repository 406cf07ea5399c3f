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

; The installer offers to put its folder on the user's PATH, so that "ostrel" works in every
; console opened afterwards: a check box on the last page, checked unless the user clears it, and
; always in a silent installation. It notes the entry it added, and the uninstaller removes that
; entry alone: an entry the user made, the other entries and their order stay as they were.
!include WinMessages.nsh

!define OSTREL_ENVIRONMENT 'HKCU "Environment"'
!define OSTREL_INSTALLATION_KEY "Software\Ostrel\Ostrel"
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Add the Ostrel folder to my PATH (to type $\"ostrel$\" in a console)"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OstrelAddFolderToPath

; Consoles and programs that Explorer starts from now on read the new PATH. A program that does
; not answer is not waited for.
!macro OstrelAnnounceEnvironment
  System::Call 'user32::SendMessageTimeout(p ${HWND_BROADCAST}, i ${WM_SETTINGCHANGE}, p 0, \
    t "Environment", i 0x2, i 5000, *p .r0)'
!macroend

; $R0 := the PATH $R1 without its entries equal to $R2 (letter case aside), every other entry as
; it was, empty ones included.
!macro OstrelPathWithoutEntry UN
Function ${UN}OstrelPathWithoutEntry
  StrCpy $R0 ""
  StrCpy $R3 $R1
  StrCpy $R7 1  ; the first entry takes no separator
  ${Do}
    StrCpy $R4 0
    ${Do}
      StrCpy $R5 $R3 1 $R4
      ${If} $R5 == ";"
      ${OrIf} $R5 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $R4 $R4 + 1
    ${Loop}
    StrCpy $R6 $R3 $R4
    ${If} $R6 != $R2
      ${If} $R7 == 1
        StrCpy $R0 $R6
      ${Else}
        StrCpy $R0 "$R0;$R6"
      ${EndIf}
      StrCpy $R7 0
    ${EndIf}
    ${If} $R5 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $R4 $R4 + 1
    StrCpy $R3 $R3 "" $R4
  ${Loop}
FunctionEnd
!macroend
!insertmacro OstrelPathWithoutEntry ""
!insertmacro OstrelPathWithoutEntry "un."

; $R1 := the user's PATH as stored (variables unexpanded); the error flag when it exists but is
; longer than the installer's strings hold, so that it is never written back cut short.
!macro OstrelReadUserPath UN
Function ${UN}OstrelReadUserPath
  ClearErrors
  ReadRegStr $R1 ${OSTREL_ENVIRONMENT} "Path"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  ; Missing, which is no error, or unreadable.
  StrCpy $R1 ""
  StrCpy $R3 0
  ${Do}
    EnumRegValue $R4 ${OSTREL_ENVIRONMENT} $R3
    ${If} $R4 == ""
      ClearErrors
      Return
    ${EndIf}
    ${If} $R4 == "Path"
      SetErrors
      Return
    ${EndIf}
    IntOp $R3 $R3 + 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro OstrelReadUserPath ""
!insertmacro OstrelReadUserPath "un."

Function OstrelAddFolderToPath
  Call OstrelReadUserPath
  ${If} ${Errors}
    DetailPrint "Your PATH is too long to change here; add $INSTDIR to it by hand."
    Return
  ${EndIf}
  StrCpy $R2 "$INSTDIR"
  Call OstrelPathWithoutEntry
  ${If} $R0 != $R1
    Return  ; already on the PATH: that entry is the user's
  ${EndIf}
  StrCpy $R5 $R1 1 -1
  ${If} $R1 == ""
    StrCpy $R1 "$INSTDIR"
  ${ElseIf} $R5 == ";"
    StrCpy $R1 "$R1$INSTDIR"
  ${Else}
    StrCpy $R1 "$R1;$INSTDIR"
  ${EndIf}
  StrLen $R5 $R1
  ${If} $R5 >= ${NSIS_MAX_STRLEN}
    DetailPrint "Your PATH is too long to change here; add $INSTDIR to it by hand."
    Return
  ${EndIf}
  WriteRegExpandStr ${OSTREL_ENVIRONMENT} "Path" $R1
  WriteRegStr SHCTX "${OSTREL_INSTALLATION_KEY}" "PathEntry" "$INSTDIR"
  !insertmacro OstrelAnnounceEnvironment
FunctionEnd

; The finish page, where the check box is, never shows in a silent installation.
Function .onInstSuccess
  ${If} ${Silent}
    Call OstrelAddFolderToPath
  ${EndIf}
FunctionEnd

!macro OstrelRemoveFolderFromPath
  ReadRegStr $R2 SHCTX "${OSTREL_INSTALLATION_KEY}" "PathEntry"
  ${If} $R2 != ""
    Call un.OstrelReadUserPath
    ${IfNot} ${Errors}
      Call un.OstrelPathWithoutEntry
      ${If} $R0 != $R1
        ${If} $R0 == ""
          DeleteRegValue ${OSTREL_ENVIRONMENT} "Path"
        ${Else}
          WriteRegExpandStr ${OSTREL_ENVIRONMENT} "Path" $R0
        ${EndIf}
        !insertmacro OstrelAnnounceEnvironment
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend
