; Tavrin's Windows installer: for the current user, without elevation.
; installer/package.sh builds it (do not call makensis by hand):
;   makensis -DVERSION=2.0.8 -DSOURCE=<folder of the files to install>
;            -DICON=<program icon> -DOUTFILE=<setup.exe> installer/tavrin.nsi
;
; The default stub of Debian's makensis is 32-bit; this target makes a 64-bit
; installer and uninstaller.
Target amd64-unicode

!ifndef VERSION | SOURCE | ICON | OUTFILE
  !error "define VERSION, SOURCE, ICON and OUTFILE (installer/package.sh does)"
!endif

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrin"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SYNCHRONIZE 0x00100000                       ; to wait for a process
!define PROCESS_QUERY_LIMITED_INFORMATION 0x00001000 ; to read its image's path
; Under Wine a program takes 4-5 s to end after its last window closes.
!define CLOSE_WAIT_MS 20000

; The exit codes a silent install ends with besides NSIS's own (0 installed,
; 1 cancelled by the user, 2 given up by the script); the README lists them.
!define EXIT_NOT_CLOSED 2  ; Tavrin running from the folder did not close: nothing changed
!define EXIT_NOT_WRITABLE 3 ; the folder, or a file in it, cannot be written: nothing changed
!define EXIT_INCOMPLETE 4  ; a file could not be written during the install: no entry written

; The files an install puts in its folder, besides uninstall.exe. The text
; files carry the program's name: the folder may be shared with others.
!define README "Tavrin README.txt"
!define LICENSE "Tavrin LICENSE.txt"

Name "Tavrin"
Caption "Tavrin ${VERSION} Setup"
UninstallCaption "Tavrin ${VERSION} Uninstall"
BrandingText "Omvale Tavrin ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
; Windows draws the pages at the display's scale instead of stretching them.
ManifestDPIAware true
InstallDir "$LOCALAPPDATA\Programs\Tavrin"
; An upgrade goes where the installed copy is.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
; Installed files get the time of the install, and the installer carries no
; build machine's file times.
SetDateSave off
; A file that cannot be written fails the install (Retry or Cancel; a silent
; install cancels) instead of being skipped.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tavrin"
VIAddVersionKey /LANG=1033 "CompanyName" "Omvale"
VIAddVersionKey /LANG=1033 "FileDescription" "Tavrin Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2002-2026 Omvale"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "This installs Tavrin ${VERSION}, the companion program of the wireless presentation pointer, for you alone: no administrator rights are needed.$\r$\n$\r$\nA Tavrin running from the installed folder is closed while its files are replaced, as its Exit menu item closes it.$\r$\n$\r$\nYour settings are kept."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_COMPONENTSPAGE_TEXT_TOP "Tavrin itself is always installed. Untick the second line if it should not start by itself when you sign in to Windows."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Tavrin lives in the notification area of the taskbar: right-click its icon for the palette, the settings and Exit.$\r$\n$\r$\nTavrin reads the pointer's receiver on COM2 unless the icon's COM Port menu chooses another port."
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Tavrin now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTavrin
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Tavrin is closed if it runs from this folder, and removed from it with its Start menu entry and its start at sign-in. Your settings stay, for a later install."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var WasRunning  ; 1 when a copy from the folder was closed
Var ClosedExe   ; that copy's tavrin.exe
Var CloseDir    ; the folder whose copy CloseTavrin closes
Var OldDir      ; the installed copy's folder when the installer started, or ""
Var GaveUp      ; 1 once the script has set its own exit code

; Closes a Tavrin that runs from $CloseDir the way its Exit menu item does
; (WM_CLOSE to its main window), so it takes its tray icon away and
; releases its port, and waits until its process has ended: the exe cannot
; be replaced before. A copy from another folder (the zip's) is left alone:
; its files are not this folder's. The main window has no size and may be
; hidden; it is found by class and caption, and its process's image tells
; where it runs from. Sets $WasRunning to 1 when one was running. When it
; does not end in time the user may retry; a silent run gives up and leaves
; everything as it was.
!macro DEFINE_CLOSE_TAVRIN prefix
Function ${prefix}CloseTavrin
  StrCpy $5 0
  next:
  FindWindow $0 "TForm_Main" "Tavrin" 0 $5
  StrCmp $0 0 done
  StrCpy $5 $0
  System::Call "user32::GetWindowThreadProcessId(p r0, *i 0 r1)"
  System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}|${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i r1) p .r2"
  StrCmp $2 0 next
  System::Call "kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r4, *i ${NSIS_MAX_STRLEN}) i .r3"
  ${If} $3 == 0
  ${OrIf} $4 != "$CloseDir\tavrin.exe"
    System::Call "kernel32::CloseHandle(p r2)"
    Goto next
  ${EndIf}
  StrCpy $WasRunning 1
  StrCpy $ClosedExe $4
  DetailPrint "Closing the running Tavrin"
  System::Call "user32::PostMessage(p r0, i ${WM_CLOSE}, p 0, p 0)"
  System::Call "kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r3"
  System::Call "kernel32::CloseHandle(p r2)"
  ${If} $3 == 0
    StrCpy $5 0
    Goto next
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tavrin did not close. End it with Exit in its tray icon's menu, then choose Retry." /SD IDCANCEL IDRETRY again
  StrCpy $GaveUp 1
  SetErrorLevel ${EXIT_NOT_CLOSED}
  Abort "Tavrin is still running"
  again:
  StrCpy $5 0
  Goto next
  done:
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_TAVRIN ""
!insertmacro DEFINE_CLOSE_TAVRIN "un."

Function StartTavrin
  ; It looks for its cursor files in its working folder first.
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\tavrin.exe"'
FunctionEnd

; $0 = 1 when files can be written in $INSTDIR: a file is written there and
; deleted again. A folder made for the check goes again.
Function CheckFolder
  StrCpy $0 0
  StrCpy $2 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $2 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $1 "$INSTDIR\~tavrin-setup-check.tmp" w
  ${IfNot} ${Errors}
    FileClose $1
    Delete "$INSTDIR\~tavrin-setup-check.tmp"
    ${IfNot} ${Errors}
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  ${If} $2 == 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckFolder
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "Files cannot be written in $INSTDIR. Choose a folder of your own, such as the one proposed."
    Abort
  ${EndIf}
FunctionEnd

; Gives up before anything is changed (but a closed Tavrin, which is
; started again): silent, with the exit code.
!macro NOT_WRITABLE what
  DetailPrint "${what} cannot be written"
  MessageBox MB_OK|MB_ICONSTOP "Tavrin cannot be installed: ${what} cannot be written. Nothing was changed." /SD IDOK
  ${If} $WasRunning == 1
    Exec '"$ClosedExe"'
  ${EndIf}
  StrCpy $GaveUp 1
  SetErrorLevel ${EXIT_NOT_WRITABLE}
  Abort "${what} cannot be written"
!macroend

; Gives up when an installed file that is there cannot be opened for
; writing (held by a copy the installer cannot see, or read-only).
!macro CHECK_WRITABLE file
  ${If} ${FileExists} "$INSTDIR\${file}"
    ClearErrors
    FileOpen $1 "$INSTDIR\${file}" a
    ${If} ${Errors}
      !insertmacro NOT_WRITABLE "$INSTDIR\${file}"
    ${EndIf}
    FileClose $1
  ${EndIf}
!macroend

; Earlier versions named their text files README.txt and LICENSE.txt. An
; upgrade in place takes them away when they are Tavrin's: a README whose
; title is Tavrin's, a licence whose copyright line is Omvale's; another
; program's files of those names stay.
Function RemoveEarlierTexts
  ClearErrors
  FileOpen $1 "$INSTDIR\README.txt" r
  ${IfNot} ${Errors}
    FileRead $1 $2
    FileClose $1
    StrCpy $2 $2 7
    ${If} $2 == "Tavrin "
      Delete "$INSTDIR\README.txt"
    ${EndIf}
  ${EndIf}
  ClearErrors
  FileOpen $1 "$INSTDIR\LICENSE.txt" r
  ${IfNot} ${Errors}
    FileRead $1 $2
    FileRead $1 $3
    FileRead $1 $3
    FileClose $1
    StrCpy $3 $3 "" -8
    ${If} $2 == "MIT License$\r$\n"
    ${AndIf} $3 == "Omvale$\r$\n"
      Delete "$INSTDIR\LICENSE.txt"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Adds the size of an installed file to $R0, in bytes.
!macro ADD_SIZE file
  FileOpen $1 "$INSTDIR\${file}" r
  FileSeek $1 0 END $2
  FileClose $1
  IntOp $R0 $R0 + $2
!macroend

Section "Tavrin" SecProgram
  SectionIn RO
  Call CheckFolder
  ${If} $0 == 0
    !insertmacro NOT_WRITABLE "the folder $INSTDIR"
  ${EndIf}
  StrCpy $CloseDir $INSTDIR
  Call CloseTavrin
  ${If} $OldDir != ""
  ${AndIf} $OldDir != $INSTDIR
    StrCpy $CloseDir $OldDir
    Call CloseTavrin
  ${EndIf}
  !insertmacro CHECK_WRITABLE "tavrin.exe"
  !insertmacro CHECK_WRITABLE "Ok.ico"
  !insertmacro CHECK_WRITABLE "Wrong.ico"
  !insertmacro CHECK_WRITABLE "circle.ico"
  !insertmacro CHECK_WRITABLE "${README}"
  !insertmacro CHECK_WRITABLE "${LICENSE}"
  !insertmacro CHECK_WRITABLE "uninstall.exe"

  ; Moving to another folder: the old folder's copy is uninstalled first, by
  ; its own uninstaller (waited for through _?=, which leaves the uninstaller
  ; itself behind), so nothing of it stays and its uninstaller cannot later
  ; take this install's entries.
  ${If} $OldDir != ""
  ${AndIf} $OldDir != $INSTDIR
  ${AndIf} ${FileExists} "$OldDir\uninstall.exe"
    DetailPrint "Removing Tavrin from $OldDir"
    ExecWait '"$OldDir\uninstall.exe" /S _?=$OldDir' $0
    DetailPrint "Its uninstaller ended with $0"
    Delete "$OldDir\uninstall.exe"
    RMDir "$OldDir"
  ${EndIf}

  SetOutPath "$INSTDIR"
  ClearErrors
  File "${SOURCE}/tavrin.exe"
  File "${SOURCE}/Ok.ico"
  File "${SOURCE}/Wrong.ico"
  File "${SOURCE}/circle.ico"
  File "${SOURCE}/${README}"
  File "${SOURCE}/${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    Abort "The files could not all be written"
  ${EndIf}
  ${If} $OldDir == $INSTDIR
    Call RemoveEarlierTexts
  ${EndIf}

  ; The entries only once every file is in place.
  CreateShortcut "$SMPROGRAMS\Tavrin.lnk" "$INSTDIR\tavrin.exe" "" "$INSTDIR\tavrin.exe" 0 \
    SW_SHOWNORMAL "" "Tavrin presentation pointer companion"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Tavrin"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Omvale"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\tavrin.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ; In KiB, of what was installed: the folder may hold other files.
  StrCpy $R0 0
  !insertmacro ADD_SIZE "tavrin.exe"
  !insertmacro ADD_SIZE "Ok.ico"
  !insertmacro ADD_SIZE "Wrong.ico"
  !insertmacro ADD_SIZE "circle.ico"
  !insertmacro ADD_SIZE "${README}"
  !insertmacro ADD_SIZE "${LICENSE}"
  !insertmacro ADD_SIZE "uninstall.exe"
  IntOp $R0 $R0 + 1023
  IntOp $R0 $R0 / 1024
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $R0
SectionEnd

Section "Start Tavrin when I sign in" SecSignIn
  WriteRegStr HKCU "${RUN_KEY}" "Tavrin" '"$INSTDIR\tavrin.exe"'
SectionEnd

Section "-Finish"
  ; Without the sign-in choice an upgrade takes away the entry, when it is
  ; this program's.
  ${IfNot} ${SectionIsSelected} ${SecSignIn}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Tavrin"
    ${If} $0 == '"$INSTDIR\tavrin.exe"'
    ${OrIf} $0 == '"$OldDir\tavrin.exe"'
      DeleteRegValue HKCU "${RUN_KEY}" "Tavrin"
    ${EndIf}
  ${EndIf}
  ; With a window, the Finish page asks whether to start it; a silent run
  ; starts it again when it closed a running one.
  ${If} ${Silent}
  ${AndIf} $WasRunning == 1
    Call StartTavrin
  ${EndIf}
SectionEnd

Function .onInit
  ReadRegStr $OldDir HKCU "${UNINST_KEY}" "InstallLocation"
  ; An upgrade keeps the sign-in choice made before: an installed copy
  ; without the entry stays without it. /NOSIGNIN leaves it off.
  ${If} $OldDir != ""
    ClearErrors
    ReadRegStr $0 HKCU "${RUN_KEY}" "Tavrin"
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecSignIn}
    ${EndIf}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSIGNIN" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecSignIn}
  ${EndIf}
FunctionEnd

Function .onInstFailed
  ; A file that could not be written after the checks.
  ${If} $GaveUp != 1
    SetErrorLevel ${EXIT_INCOMPLETE}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $CloseDir $INSTDIR
  Call un.CloseTavrin
  Delete "$INSTDIR\tavrin.exe"
  Delete "$INSTDIR\Ok.ico"
  Delete "$INSTDIR\Wrong.ico"
  Delete "$INSTDIR\circle.ico"
  Delete "$INSTDIR\${README}"
  Delete "$INSTDIR\${LICENSE}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: the folder may have been chosen with other files in it.
  RMDir "$INSTDIR"
  ; The entries only when they are this folder's: an install elsewhere may
  ; have written them since.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tavrin"
  ${If} $0 == '"$INSTDIR\tavrin.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "Tavrin"
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Delete "$SMPROGRAMS\Tavrin.lnk"
    DeleteRegKey HKCU "${UNINST_KEY}"
  ${EndIf}
  ; The settings key (HKCU\SOFTWARE\Omvale Tavrin 2.0.8) stays, so that a
  ; new install finds the user's effect table and colours.
SectionEnd
