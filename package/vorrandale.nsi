; The per-user installer of Vorrandale and Framedeck. makensis is given:
;   VERSION        the release version (major.minor.patch)
;   OUTFILE        the installer to write
;   STAGED_FILES   the lists of files written by make_dist.py
;   ICON           Vorrandale's icon
;   NSIS_LICENSE   NSIS's licence text (its stub becomes part of the installer and the uninstaller)
; Command line: /S silent, /AUTOSTART tick "Start Vorrandale with Windows",
; /D=FOLDER another folder (last).

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestSupportedOS all
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include "${STAGED_FILES}"

!define PRODUCT "Vorrandale"
!define PROGID "Framedeck.Recording"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorrandale"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS "Vorrandale.cfg"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; Per user: the settings file lives beside the program and must stay
; writable without administrator rights.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "LegalCopyright" "The Vorrandale developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vorrandale.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Files cannot be replaced or removed while the camera program runs: ask
; the user to end it (silently: give up).
!macro WaitUntilVorrandaleEnds
  ${Do}
    FindWindow $0 "VorrandaleWindowClass" "Vorrandale"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "Vorrandale is running.$\n$\nRight-click its icon in the notification area, choose Exit, then press OK." /SD IDCANCEL IDOK +2
    Abort
  ${Loop}
!macroend

; Wine reads file types from the machine's classes only, and a Wine prefix
; belongs to one user anyway: there the association goes to both places.
!macro IfWine label
  System::Call 'kernel32::GetModuleHandleW(w "ntdll.dll") p.r1'
  System::Call 'kernel32::GetProcAddress(p r1, m "wine_get_version") p.r1'
  StrCmp $1 0 +2
  Goto ${label}
!macroend

!macro WriteAssociation
  WriteRegStr SHCTX "Software\Classes\.mjpg" "" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\.mjpg\OpenWithProgids" "${PROGID}" ""
  ; Offered for .mp4 ("Open with"), which stays with whatever owns it.
  WriteRegStr SHCTX "Software\Classes\.mp4\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Framedeck recording"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\Framedeck.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\Framedeck.exe" "%1"'
!macroend

; Leaves .mjpg alone when another program has taken it over since.
!macro RemoveAssociation
  ReadRegStr $0 SHCTX "Software\Classes\.mjpg" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "Software\Classes\.mjpg" ""
  ${EndIf}
  DeleteRegValue SHCTX "Software\Classes\.mjpg\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty /ifnovalues SHCTX "Software\Classes\.mjpg\OpenWithProgids"
  DeleteRegKey /ifempty /ifnovalues SHCTX "Software\Classes\.mjpg"
  DeleteRegValue SHCTX "Software\Classes\.mp4\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty /ifnovalues SHCTX "Software\Classes\.mp4\OpenWithProgids"
  DeleteRegKey /ifempty /ifnovalues SHCTX "Software\Classes\.mp4"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
!macroend

!macro AssociationChanged
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section "Vorrandale and Framedeck" SecPrograms
  SectionIn RO
  !insertmacro InstallStagedFiles
  File "/oname=licenses\NSIS.txt" "${NSIS_LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Vorrandale.lnk" "$INSTDIR\Vorrandale.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Framedeck.lnk" "$INSTDIR\Framedeck.exe"

  !insertmacro WriteAssociation
  !insertmacro IfWine wine_association
  Goto association_done
  wine_association:
    SetShellVarContext all
    !insertmacro WriteAssociation
    SetShellVarContext current
  association_done:
  !insertmacro AssociationChanged

  ; Written again by the next section when it is ticked.
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vorrandale.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Start Vorrandale with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Vorrandale.exe"'
SectionEnd

Function .onInit
  !insertmacro WaitUntilVorrandaleEnds
  ; Keep the choice of an earlier install; /AUTOSTART chooses it too.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART" $2
  ${If} $0 != ""
  ${OrIfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro WaitUntilVorrandaleEnds
FunctionEnd

; Removes exactly what was installed: recordings, pages and anything else
; a user put into the folder stay, and so does the folder then.
Section "Uninstall"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  !insertmacro RemoveAssociation
  !insertmacro IfWine wine_association
  Goto association_done
  wine_association:
    SetShellVarContext all
    !insertmacro RemoveAssociation
    SetShellVarContext current
  association_done:
  !insertmacro AssociationChanged

  Delete "$SMPROGRAMS\${PRODUCT}\Vorrandale.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Framedeck.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  Delete "$INSTDIR\licenses\NSIS.txt"
  !insertmacro RemoveStagedFiles
  Delete "$INSTDIR\Uninstall.exe"
  ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also delete your settings (cameras, layout, web server)?$\n$\n$INSTDIR\${SETTINGS}" /SD IDNO IDNO +2
    Delete "$INSTDIR\${SETTINGS}"
  ${EndIf}
  RMDir "$INSTDIR"
SectionEnd
