; The Windows installer, morvane-VERSION-win64-setup.exe, made by scripts/package.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.4.1 -DSTAGE=FOLDER -DICON=morvane.ico -DOUTFILE=SETUP.exe \
;     app/win32/installer/morvane.nsi
; STAGE holds what the .zip holds: morvane.exe, morvane-convert.exe and README.txt.
;
; Run normally it installs for the person alone, without administrator rights, into
; %LOCALAPPDATA%\Programs\morvane with its keys under HKCU; run elevated, for everyone, into
; Program Files with its keys under HKLM (/CurrentUser keeps an elevated run to the person).
; It adds a Start menu entry, "Open with" for .dvc files (the type's default program stays as it
; was) and an uninstaller in Apps & Features, which removes every file and key added here.
; /S installs silently; /D=FOLDER (last) chooses the folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\morvane"
!define PROG_ID "morvane.dvc"
!define PROG_ID_KEY "Software\Classes\${PROG_ID}"
!define APPLICATION_KEY "Software\Classes\Applications\morvane.exe"
!define OPEN_WITH_KEY "Software\Classes\.dvc\OpenWithProgids"
!define DVC_KEY "Software\Classes\.dvc"
!define APPLICATIONS_KEY "Software\Classes\Applications"
!define UNINSTALL_PARENT_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall"

; Keys that hold others' keys too are made by the install only when missing. The uninstall key
; notes each key made ("Made KEY"=1; an earlier install's note stays), and the uninstaller
; removes such a key again once nothing else is in it.
!macro NoteNewKey KEY
  ClearErrors
  EnumRegKey $0 SHCTX "${KEY}" 0
  ${If} ${Errors}
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "Made ${KEY}" 1
  ${EndIf}
!macroend
!macro RemoveMadeKey KEY NOTE
  ${If} ${NOTE} = 1
    DeleteRegKey /ifnosubkeys /ifnovalues SHCTX "${KEY}"
  ${EndIf}
!macroend

Name "morvane"
OutFile "${OUTFILE}"
BrandingText "morvane ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "morvane"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "morvane ${VERSION} Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "morvane"

Var ForWhom  ; the welcome page's line on who gets the programs

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)$\r$\n$\r$\n$ForWhom$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\morvane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for systems in neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString WelcomeText ${LANG_ENGLISH} "Setup will install morvane ${VERSION}, which lists RexEdit and EzEdit projects (.dvc) with their EDL, and its command line converter morvane-convert."
LangString WelcomeText ${LANG_JAPANESE} "morvane ${VERSION} をインストールします。RexEdit・EzEdit のプロジェクト (.dvc) を EDL 付きの一覧にするツールと、そのコマンドライン版 morvane-convert が入ります。"
LangString ForYou ${LANG_ENGLISH} "It is installed for you alone. To install it for everyone on this computer, run Setup as administrator."
LangString ForYou ${LANG_JAPANESE} "このユーザー専用にインストールします。全ユーザー用にするには、管理者として実行してください。"
LangString ForEveryone ${LANG_ENGLISH} "It is installed for everyone on this computer."
LangString ForEveryone ${LANG_JAPANESE} "このコンピューターの全ユーザー用にインストールします。"
LangString FileType ${LANG_ENGLISH} "DV editor project"
LangString FileType ${LANG_JAPANESE} "DV 編集プロジェクト"
LangString ShortcutComment ${LANG_ENGLISH} "List a RexEdit or EzEdit project with its EDL"
LangString ShortcutComment ${LANG_JAPANESE} "RexEdit・EzEdit のプロジェクトを EDL 付きで一覧にします"

; Elevated (an administrator's full rights): everyone's, unless /CurrentUser; else the person's.
; A folder given with /D= stays.
Function .onInit
  UserInfo::GetAccountType
  Pop $0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${If} $0 == "Admin"
  ${AndIf} ${Errors}
    SetShellVarContext all
    StrCpy $ForWhom "$(ForEveryone)"
    StrCmp $INSTDIR "" 0 +2
      StrCpy $INSTDIR "$PROGRAMFILES64\morvane"
  ${Else}
    SetShellVarContext current
    StrCpy $ForWhom "$(ForYou)"
    StrCmp $INSTDIR "" 0 +2
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\morvane"
  ${EndIf}
FunctionEnd

; SHCTX below is HKLM or HKCU, as SetShellVarContext chose.
Section
  ; The uninstall key's parent first: the notes go into the uninstall key.
  !insertmacro NoteNewKey "${UNINSTALL_PARENT_KEY}"
  !insertmacro NoteNewKey "${DVC_KEY}"
  !insertmacro NoteNewKey "${OPEN_WITH_KEY}"
  !insertmacro NoteNewKey "${APPLICATIONS_KEY}"
  ; So is the folder that holds the programs' folder (%LOCALAPPDATA%\Programs may be missing).
  ${GetParent} "$INSTDIR" $0
  ${IfNot} ${FileExists} "$0\*.*"
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "Made parent folder" 1
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\morvane.exe"
  File "${STAGE}\morvane-convert.exe"
  File "${STAGE}\README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\morvane.lnk" "$INSTDIR\morvane.exe" "" "$INSTDIR\morvane.exe" 0 \
    SW_SHOWNORMAL "" "$(ShortcutComment)"

  ; "Open with": a program id of its own, listed for .dvc beside whatever opens it now.
  WriteRegStr SHCTX "${PROG_ID_KEY}" "" "$(FileType)"
  WriteRegStr SHCTX "${PROG_ID_KEY}\DefaultIcon" "" "$INSTDIR\morvane.exe,0"
  WriteRegStr SHCTX "${PROG_ID_KEY}\shell\open\command" "" '"$INSTDIR\morvane.exe" "%1"'
  WriteRegStr SHCTX "${OPEN_WITH_KEY}" "${PROG_ID}" ""
  WriteRegStr SHCTX "${APPLICATION_KEY}" "FriendlyAppName" "morvane"
  WriteRegStr SHCTX "${APPLICATION_KEY}\SupportedTypes" ".dvc" ""
  WriteRegStr SHCTX "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\morvane.exe" "%1"'

  ; Apps & Features.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "morvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "morvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\morvane.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
SectionEnd

; The uninstaller removes the installation it belongs to: everyone's when HKLM names its folder.
Function un.onInit
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\morvane.exe"
  Delete "$INSTDIR\morvane-convert.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "Made parent folder"
  ${If} $0 = 1
    RMDir "$INSTDIR\.."
  ${EndIf}
  Delete "$SMPROGRAMS\morvane.lnk"

  ReadRegDWORD $1 SHCTX "${UNINSTALL_KEY}" "Made ${UNINSTALL_PARENT_KEY}"
  ReadRegDWORD $2 SHCTX "${UNINSTALL_KEY}" "Made ${DVC_KEY}"
  ReadRegDWORD $3 SHCTX "${UNINSTALL_KEY}" "Made ${OPEN_WITH_KEY}"
  ReadRegDWORD $4 SHCTX "${UNINSTALL_KEY}" "Made ${APPLICATIONS_KEY}"
  DeleteRegKey SHCTX "${PROG_ID_KEY}"
  DeleteRegKey SHCTX "${APPLICATION_KEY}"
  DeleteRegValue SHCTX "${OPEN_WITH_KEY}" "${PROG_ID}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  !insertmacro RemoveMadeKey "${OPEN_WITH_KEY}" $3
  !insertmacro RemoveMadeKey "${DVC_KEY}" $2
  !insertmacro RemoveMadeKey "${APPLICATIONS_KEY}" $4
  !insertmacro RemoveMadeKey "${UNINSTALL_PARENT_KEY}" $1

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
