; The installer: per user (the program keeps its state beside Strevo.exe, so
; it goes where the user can write), Start-menu and optional desktop
; shortcuts, an uninstaller under the user's uninstall key. Pages in Russian,
; English available. A 64-bit installer (Wine here runs 64-bit code only)
; that installs either build. Built by scripts/make-dist with VERSION,
; FILEVERSION (four numbers), STAGE (the staged win64\ and win32\ folders)
; and OUTFILE defined.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all

!include MUI2.nsh
!include Sections.nsh
!include x64.nsh

!define PRODUCT "Strevo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Strevo"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Strevo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILEVERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Strevo developers"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Strevo.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the default one.
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString Sec64 ${LANG_RUSSIAN} "Strevo (64-разрядная версия)"
LangString Sec64 ${LANG_ENGLISH} "Strevo (64-bit build)"
LangString Sec32 ${LANG_RUSSIAN} "Strevo (32-разрядная версия, для настоящего видеодвижка)"
LangString Sec32 ${LANG_ENGLISH} "Strevo (32-bit build, for a real media engine)"
LangString SecDesk ${LANG_RUSSIAN} "Ярлык на рабочем столе"
LangString SecDesk ${LANG_ENGLISH} "Desktop shortcut"
LangString KeepFiles ${LANG_RUSSIAN} "Удалить также ваши файлы в папке программы (настройки, список каналов, планировщик, телепрограмму)?"
LangString KeepFiles ${LANG_ENGLISH} "Also remove your own files in the program's folder (settings, channel list, scheduler, TV guide)?"

Var Build

; The two builds: one of them, 64-bit by default on a 64-bit system.
Section "!$(Sec64)" Sec64
  StrCpy $Build "win64"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\win64\*.*"
SectionEnd

Section /o "$(Sec32)" Sec32
  StrCpy $Build "win32"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\win32\*.*"
SectionEnd

Section "-shortcuts and uninstaller"
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Strevo"
  CreateShortcut "$SMPROGRAMS\Strevo\Strevo.lnk" "$INSTDIR\Strevo.exe"
  CreateShortcut "$SMPROGRAMS\Strevo\README.lnk" "$INSTDIR\README.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Strevo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Strevo developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Strevo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "$(SecDesk)" SecDesk
  CreateShortcut "$DESKTOP\Strevo.lnk" "$INSTDIR\Strevo.exe"
SectionEnd

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
  ; Exactly one build is chosen: the radio logic below swaps the two.
  SectionSetFlags ${Sec64} ${SF_SELECTED}
  StrCpy $R9 ${Sec64}
FunctionEnd

Function .onSelChange
  !insertmacro StartRadioButtons $R9
    !insertmacro RadioButton ${Sec64}
    !insertmacro RadioButton ${Sec32}
  !insertmacro EndRadioButtons
FunctionEnd

; Program files by name; what is left is the user's own, removed only when
; the user says so (never in a silent uninstall).
Section "Uninstall"
  Delete "$INSTDIR\Strevo.exe"
  Delete "$INSTDIR\Strevo.lng.en"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Vlc\libvlc.dll"
  RMDir "$INSTDIR\Vlc"
  Delete "$INSTDIR\Images\Loading.bmp"
  Delete "$INSTDIR\Images\Logo.bmp"
  RMDir "$INSTDIR\Images"
  RMDir "$INSTDIR\Icons"
  RMDir "$INSTDIR\TVGuide"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\Strevo\Strevo.lnk"
  Delete "$SMPROGRAMS\Strevo\README.lnk"
  RMDir "$SMPROGRAMS\Strevo"
  Delete "$DESKTOP\Strevo.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
  ; "Yes" removes only what the program itself writes beside it, each by name,
  ; then its folders if they are empty: the folder may be any folder the user
  ; chose, with files of their own that were never the program's.
  IfFileExists "$INSTDIR\*.*" 0 done
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(KeepFiles)" /SD IDNO IDNO done
    Delete "$INSTDIR\Strevo.ini"
    Delete "$INSTDIR\Strevo.ini.bak"
    Delete "$INSTDIR\Strevo.ini.new"
    Delete "$INSTDIR\Strevo.Shed.ini"
    Delete "$INSTDIR\Strevo.Shed.ini.new"
    Delete "$INSTDIR\Strevo.Shed.run"
    Delete "$INSTDIR\Strevo.Shed.run.new"
    Delete "$INSTDIR\Strevo.m3u"
    Delete "$INSTDIR\Strevo.m3u.new"
    Delete "$INSTDIR\Strevo.log"
    Delete "$INSTDIR\Strevo.dx"
    Delete "$INSTDIR\Strevo.lng"
    Delete "$INSTDIR\Strevo.PreConf"
    Delete "$INSTDIR\Strevo.PreConf.part"
    Delete "$INSTDIR\Strevo.Desktop"
    Delete "$INSTDIR\Strevo.Desktop.new"
    Delete "$INSTDIR\TVGuide\*.ndx"
    Delete "$INSTDIR\TVGuide\*.pdt"
    Delete "$INSTDIR\TVGuide\xmltv.xml"
    Delete "$INSTDIR\TVGuide\xmltv.xml.new"
    RMDir "$INSTDIR\TVGuide"
    Delete "$INSTDIR\TVGuide.new\*.*"
    RMDir "$INSTDIR\TVGuide.new"
    Delete "$INSTDIR\Logos\*.logo"
    Delete "$INSTDIR\Logos\*.new"
    RMDir "$INSTDIR\Logos"
    ; The engine components downloaded into the program's own engine folder.
    Delete "$INSTDIR\Vlc\*.dll"
    RMDir /r "$INSTDIR\Vlc\plugins"
    RMDir "$INSTDIR\Vlc"
    RMDir "$INSTDIR"
  done:
SectionEnd

Function un.onInit
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd
