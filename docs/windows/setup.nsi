; The Windows setup program, brisolt-<version>-setup.exe, made by makensis (Debian's nsis) from
; the installed tree of a mingw build: `cmake --build --preset mingw --target setup`.
;
; Installs for the current user, without administrator rights, into the user's own programs
; folder (%LOCALAPPDATA%\Programs\Brisolt), or, when started as administrator, for all users into
; Program Files; /CurrentUser keeps an administrator's install to himself. /S installs silently,
; /D=FOLDER (last, unquoted) names another folder. The uninstaller is listed among the installed
; programs and removes exactly the files it installed.
;
; Defined by the build (makensis -D...): VERSION, VERSION4 (four numbers), STAGE (the installed
; tree), OUTFILE, and FILES / UNFILES, the include files listing the tree's files to install and
; to remove.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; The setup program's bytes depend on the files, not on when they were built.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define TITLE "Сверка начислений и уплат в ПФР"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisolt"

Name "${TITLE}"
Caption "Установка: ${TITLE} ${VERSION}"
UninstallCaption "Удаление: ${TITLE}"
OutFile "${OUTFILE}"
BrandingText "Brisolt ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=1049 ProductName "Brisolt"
VIAddVersionKey /LANG=1049 FileDescription "Установка программы ${TITLE}"
VIAddVersionKey /LANG=1049 CompanyName "Ostrak"
VIAddVersionKey /LANG=1049 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1049 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1049 LegalCopyright "Ostrak"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\brisolt.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить программу"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Var AllUsers

; All users when the setup program runs with administrator rights (an elevated token), else the
; current user; /CurrentUser chooses the current user in any case.
Function .onInit
  StrCpy $AllUsers 0
  UserInfo::GetAccountType
  Pop $0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${If} $0 == "Admin"
  ${AndIf} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    ; /D= given on the command line has already set $INSTDIR.
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\Brisolt"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Brisolt"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Программа" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The uninstaller learns whose install it removes from this file.
  ${If} $AllUsers == 1
    FileOpen $0 "$INSTDIR\uninstall.ini" w
    FileWrite $0 "[Brisolt]$\r$\nAllUsers=1$\r$\n"
    FileClose $0
  ${Else}
    Delete "$INSTDIR\uninstall.ini"
  ${EndIf}

  CreateShortCut "$SMPROGRAMS\${TITLE}.lnk" "$INSTDIR\brisolt.exe" "" "$INSTDIR\brisolt.exe" 0 \
    SW_SHOWNORMAL "" "${TITLE}"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "${TITLE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "Ostrak"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\brisolt.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

Section "Ярлык на рабочем столе" SectionDesktop
  CreateShortCut "$DESKTOP\${TITLE}.lnk" "$INSTDIR\brisolt.exe" "" "$INSTDIR\brisolt.exe" 0 \
    SW_SHOWNORMAL "" "${TITLE}"
SectionEnd

Function un.onInit
  ReadINIStr $0 "$INSTDIR\uninstall.ini" Brisolt AllUsers
  ${If} $0 == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${TITLE}.lnk"
  Delete "$DESKTOP\${TITLE}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; Only what was installed: a folder the user chose may hold files of his own.
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
