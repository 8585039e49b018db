; The Windows setup program: QL8810Eval-<version>-setup.exe (NSIS 3, makensis).
; Built by packaging/windows/CMakeLists.txt, which defines:
;   VERSION  the program's version (0.9.1)
;   STAGE    a folder holding QL8810Eval.exe, QL8810Eval-demo.exe and ql8810.exe
;   ICON     the program's icon
;   OUTFILE  the setup program to write
;
; Installs the two windowed programs and the command-line tool into
; "Program Files\QL8810 Eval Kit", Start-menu shortcuts for the program and the
; demo, and an uninstaller listed under Add/Remove Programs. /S installs or
; uninstalls silently. Run again, it replaces the earlier install in place.
; Neither setup nor uninstall touches a file while one of the programs is
; running: they ask to close it first, and silently they stop with exit
; status 2, the install left as it was.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define PRODUCT "QL8810 Eval Kit"
!define PUBLISHER "Corvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QL8810EvalKit"
!define STARTMENU "$SMPROGRAMS\${PRODUCT}"

!include "FileFunc.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the earlier install is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Asks to close the programs while one of them runs: a running program's file
; cannot be opened for writing. Silently, or when the operator cancels, the
; setup or uninstall stops here with exit status 2, nothing changed.
!macro CheckNotRunning un
Function ${un}CheckNotRunning
  retry:
  StrCpy $1 ""
  IfFileExists "$INSTDIR\QL8810Eval.exe" 0 +5
    ClearErrors
    FileOpen $0 "$INSTDIR\QL8810Eval.exe" a
    IfErrors 0 +2
      StrCpy $1 "QL8810Eval.exe"
    FileClose $0
  IfFileExists "$INSTDIR\QL8810Eval-demo.exe" 0 +5
    ClearErrors
    FileOpen $0 "$INSTDIR\QL8810Eval-demo.exe" a
    IfErrors 0 +2
      StrCpy $1 "QL8810Eval-demo.exe"
    FileClose $0
  IfFileExists "$INSTDIR\ql8810.exe" 0 +5
    ClearErrors
    FileOpen $0 "$INSTDIR\ql8810.exe" a
    IfErrors 0 +2
      StrCpy $1 "ql8810.exe"
    FileClose $0
  StrCmp $1 "" done
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT} is running ($1). Close it, then choose Retry." /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Quit
  done:
FunctionEnd
!macroend
!insertmacro CheckNotRunning ""
!insertmacro CheckNotRunning "un."

!macro RemoveOldPythonFolder
  Delete "$INSTDIR\python\ql8810\__init__.py"
  Delete "$INSTDIR\python\ql8810\_native.py"
  Delete "$INSTDIR\python\ql8810\pytest_plugin.py"
  Delete "$INSTDIR\python\ql8810\py.typed"
  RMDir /r "$INSTDIR\python\ql8810\__pycache__"
  RMDir "$INSTDIR\python\ql8810"
  RMDir "$INSTDIR\python"
!macroend

Section "Install"
  Call CheckNotRunning
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\QL8810Eval.exe"
  File "${STAGE}\QL8810Eval-demo.exe"
  File "${STAGE}\ql8810.exe"
  File "${STAGE}\ql8810.dll"
  File "${STAGE}\ql8810.h"
  File "${STAGE}\ql8810.def"
!ifdef WHEEL
  ; The Python package as a wheel: py -m pip install "$INSTDIR\${WHEEL}"
  File "${STAGE}\${WHEEL}"
!endif
  ; Installs before 0.9.1 kept the package's files in a folder of their own.
  !insertmacro RemoveOldPythonFolder
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${STARTMENU}"
  CreateShortcut "${STARTMENU}\${PRODUCT}.lnk" "$INSTDIR\QL8810Eval.exe"
  CreateShortcut "${STARTMENU}\${PRODUCT} demo.lnk" "$INSTDIR\QL8810Eval-demo.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\QL8810Eval.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  Call un.CheckNotRunning
  SetShellVarContext all
  Delete "${STARTMENU}\${PRODUCT}.lnk"
  Delete "${STARTMENU}\${PRODUCT} demo.lnk"
  RMDir "${STARTMENU}"
  Delete "$INSTDIR\QL8810Eval.exe"
  Delete "$INSTDIR\QL8810Eval-demo.exe"
  Delete "$INSTDIR\ql8810.exe"
  Delete "$INSTDIR\ql8810.dll"
  Delete "$INSTDIR\ql8810.h"
  Delete "$INSTDIR\ql8810.def"
!ifdef WHEEL
  Delete "$INSTDIR\${WHEEL}"
!endif
  !insertmacro RemoveOldPythonFolder
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
