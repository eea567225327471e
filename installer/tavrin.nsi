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
!define SYNCHRONIZE 0x00100000  ; the one right a wait on a process needs
; Under Wine a program takes 4-5 s to end after its last window closes.
!define CLOSE_WAIT_MS 20000

Name "Tavrin"
Caption "Tavrin ${VERSION} Setup"
UninstallCaption "Tavrin ${VERSION} Uninstall"
BrandingText "Omvale Tavrin ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tavrin"
; An upgrade goes where the installed copy is.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
; Installed files get the time of the install, and the installer carries no
; build machine's file times.
SetDateSave off
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

!define MUI_WELCOMEPAGE_TEXT "This installs Tavrin ${VERSION}, the companion program of the wireless presentation pointer, for you alone: no administrator rights are needed.$\r$\n$\r$\nA running Tavrin is closed while its files are replaced, as its Exit menu item closes it.$\r$\n$\r$\nYour settings are kept."
!insertmacro MUI_PAGE_WELCOME
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

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Tavrin is closed if it runs and removed from the folder below, with its Start menu entry and its start at sign-in. Your settings stay, for a later install."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var WasRunning

; Closes a running Tavrin the way its Exit menu item does (WM_CLOSE to its
; main window), so it takes its tray icon away and releases its port, and
; waits until its process has ended: the exe cannot be replaced before. The
; main window has no size and may be hidden; it is found by class and
; caption. Sets $WasRunning to 1 when one was running. When it does not end
; in time the user may retry; a silent run gives up and leaves everything as
; it was.
!macro DEFINE_CLOSE_TAVRIN prefix
Function ${prefix}CloseTavrin
  StrCpy $WasRunning 0
  again:
  FindWindow $0 "TForm_Main" "Tavrin"
  StrCmp $0 0 done
  StrCpy $WasRunning 1
  DetailPrint "Closing the running Tavrin"
  System::Call "user32::GetWindowThreadProcessId(p r0, *i 0 r1)"
  System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2"
  System::Call "user32::PostMessage(p r0, i ${WM_CLOSE}, p 0, p 0)"
  StrCpy $3 1
  ${If} $2 != 0
    System::Call "kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r3"
    System::Call "kernel32::CloseHandle(p r2)"
  ${Else}
    ; Without a handle on the process, its window going is the best sign.
    StrCpy $4 0
    ${Do}
      IsWindow $0 0 gone
      Sleep 100
      IntOp $4 $4 + 100
    ${LoopUntil} $4 >= ${CLOSE_WAIT_MS}
    Goto stuck
    gone:
    StrCpy $3 0
  ${EndIf}
  StrCmp $3 0 done
  stuck:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tavrin did not close. End it with Exit in its tray icon's menu, then choose Retry." /SD IDCANCEL IDRETRY again
  Abort "Tavrin is still running"
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

Section "Tavrin" SecProgram
  SectionIn RO
  Call CloseTavrin
  SetOutPath "$INSTDIR"
  File "${SOURCE}/tavrin.exe"
  File "${SOURCE}/Ok.ico"
  File "${SOURCE}/Wrong.ico"
  File "${SOURCE}/circle.ico"
  File "${SOURCE}/README.txt"
  File "${SOURCE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
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
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0

SectionEnd

Section "Start Tavrin when I sign in" SecSignIn
  WriteRegStr HKCU "${RUN_KEY}" "Tavrin" '"$INSTDIR\tavrin.exe"'
SectionEnd

Section "-Finish"
  ; An upgrade without the sign-in choice takes the entry away.
  ${IfNot} ${SectionIsSelected} ${SecSignIn}
    DeleteRegValue HKCU "${RUN_KEY}" "Tavrin"
  ${EndIf}
  ; With a window, the Finish page asks whether to start it; a silent run
  ; starts it again when it closed a running one.
  ${If} ${Silent}
  ${AndIf} $WasRunning == 1
    Call StartTavrin
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.CloseTavrin
  Delete "$INSTDIR\tavrin.exe"
  Delete "$INSTDIR\Ok.ico"
  Delete "$INSTDIR\Wrong.ico"
  Delete "$INSTDIR\circle.ico"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: the folder may have been chosen with other files in it.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tavrin.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Tavrin"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; The settings key (HKCU\SOFTWARE\Omvale Tavrin 2.0.8) stays, so that a
  ; new install finds the user's effect table and colours.
SectionEnd
