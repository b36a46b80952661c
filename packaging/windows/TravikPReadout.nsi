; The installer of TravikP Readout for 64-bit Windows, built by
; scripts/windows-package.sh:  makensis -DVERSION=1.0.0 -DSTAGE=dir -DOUTFILE=file.exe
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

Name "TravikP Readout ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\TravikP Readout"
RequestExecutionLevel admin
LicenseData "${STAGE}\LICENSE.txt"
Icon "${STAGE}\..\TravikPReadout.ico"
UninstallIcon "${STAGE}\..\TravikPReadout.ico"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TravikPReadout"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "TravikP Readout"
    SetShellVarContext all
    SetRegView 64
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\TravikP Readout.lnk" "$INSTDIR\TravikPReadout.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TravikP Readout"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TravikPReadout.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The user's settings (%APPDATA%\TravikReadout.ini) stay.
Section "Uninstall"
    SetShellVarContext all
    SetRegView 64
    Delete "$SMPROGRAMS\TravikP Readout.lnk"
    Delete "$INSTDIR\TravikPReadout.exe"
    Delete "$INSTDIR\travik-read.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\travik-read-history-task.xml"
    Delete "$INSTDIR\LICENSE.txt"
    RMDir /r "$INSTDIR\licenses"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
