; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer, made by scripts/build-windows.sh with makensis from the runnable folder:
; the program under Program Files, a Start-menu entry with its icon, and an uninstaller that
; Windows lists under installed programs. Defines: VERSION, APPDIR, ICON, OUTFILE.
; A 64-bit installer for a 64-bit program (and one that a 64-bit-only wine runs).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "Varnoth ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\Varnoth"
InstallDirRegKey HKLM "Software\Varnoth" "InstallDir"
LicenseData "${APPDIR}\LICENSE.txt"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnoth"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Varnoth"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File /r "${APPDIR}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Varnoth.lnk" "$INSTDIR\varnoth.exe" "" "$INSTDIR\varnoth.exe" 0
  WriteRegStr HKLM "Software\Varnoth" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Varnoth"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varnoth.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Varnoth Developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what the installer put there, never the folder's other contents.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\Varnoth.lnk"
  Delete "$INSTDIR\varnoth.exe"
  Delete "$INSTDIR\Qt6Core.dll"
  Delete "$INSTDIR\Qt6Gui.dll"
  Delete "$INSTDIR\Qt6Widgets.dll"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\platforms\qwindows.dll"
  Delete "$INSTDIR\styles\qwindowsvistastyle.dll"
  Delete "$INSTDIR\translations\varnoth_de.qm"
  Delete "$INSTDIR\translations\qtbase_de.qm"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\translations"
  RMDir "$INSTDIR\styles"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Varnoth"
SectionEnd
