; Setwright's installer: per-machine, into Program Files, with two Start-menu
; shortcuts and an uninstaller registered under Windows' uninstall key.
; "/S" installs silently; "/D=<folder>" (last on the command line) chooses
; the folder of a first installation.
;
; It never harms what it finds:
; - An earlier installation is one whose folder holds the uninstaller that
;   the uninstall entry names. A new run updates it in place; a /D naming
;   another folder is refused.
; - Any other folder must be empty or new.
; - A file of the package that an earlier installation did not record as
;   its own is never overwritten: the run stops before it changes anything.
; - While the MSI package's product is installed, this setup refuses.
; Refusals show a message (none when silent) and end with exit code 2.
;
; The uninstaller removes exactly the files of its package. Run from its
; folder ("_?=<folder>", as QuietUninstallString does) it returns only when
; the work is done. Windows does not delete a running program (and the
; uninstaller keeps its own file open), so Uninstall.exe itself and the
; folder holding it are deleted at the next restart. Until then setup
; accepts a folder that holds nothing but such uninstallers and writes its
; own under a free name (Uninstall-<n>.exe). Exit code 3010: a file of the
; package was in use and goes at the next restart.
;
; Built by packaging/pack.py, which passes:
;   VERSION       the package version (four numbers)
;   FILES         the generated file macros and, when signing, the command
;                 that signs the uninstaller
;   OUTFILE       the setup program to write
;   TARGET        x86-unicode for the shipped 32-bit installer; amd64-unicode
;                 around a 64-bit build of the same programs (tests only)
;   UPGRADE_CODE  the MSI package's UpgradeCode

Unicode true
Target ${TARGET}
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "MUI2.nsh"

!define PRODUCT "Setwright"
!define PUBLISHER "Korvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Setwright"
; The files an installation put in place, one value each (the package-relative
; path), so that an update knows what it may replace or remove.
!define FILES_KEY "${UNINSTALL_KEY}\Files"
!define COMMAND_PROMPT "Setwright Command Prompt"

!include "${FILES}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
; Both languages are offered on every system; the display language picks
; the first choice.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

!define MUI_PAGE_CUSTOMFUNCTION_PRE DirectoryPre
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString MsgMsiInstalled ${LANG_ENGLISH} "Setwright is installed from its MSI package. Uninstall it under Apps (Programs and Features) first, then run this setup again."
LangString MsgMsiInstalled ${LANG_SIMPCHINESE} "Setwright 已通过其 MSI 安装包安装。请先在“应用”（“程序和功能”）中将其卸载，然后重新运行本安装程序。"
LangString MsgOtherFolder ${LANG_ENGLISH} "Setwright is already installed in $R9.$\r$\nThis setup updates that installation. To install into another folder, uninstall it first."
LangString MsgOtherFolder ${LANG_SIMPCHINESE} "Setwright 已安装在 $R9 中。$\r$\n本安装程序只会更新该安装。若要安装到其他文件夹，请先将其卸载。"
LangString MsgNotEmpty ${LANG_ENGLISH} "The folder $INSTDIR already holds files and is not an earlier Setwright installation. Choose an empty or new folder."
LangString MsgNotEmpty ${LANG_SIMPCHINESE} "文件夹 $INSTDIR 中已有文件，且不是先前的 Setwright 安装。请选择一个空文件夹或新文件夹。"
LangString MsgForeignFile ${LANG_ENGLISH} "$R8 was not installed by Setwright. Setup leaves it untouched and stops. Move it away and run setup again."
LangString MsgForeignFile ${LANG_SIMPCHINESE} "$R8 不是由 Setwright 安装的。安装程序不会改动它，现已停止。请将其移走后重新运行安装程序。"

; Shortcuts and the uninstall entry belong to the machine, not to the user
; who runs the installer; a 64-bit installer writes the 64-bit registry view.
!macro MachineContext
  SetShellVarContext all
  !if "${TARGET}" == "amd64-unicode"
    SetRegView 64
  !endif
!macroend

; Ends the run with exit code 2 after telling why (a message box, except
; when silent).
!macro Refuse TEXT
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

Var Upgrade         ; 1 when updating an earlier installation in place
Var HaveRecord      ; 1 when that installation recorded its files
Var Earlier         ; the uninstaller that the uninstall entry names

; $R9 = the folder of the earlier installation (and $Earlier its uninstaller),
; or "" when there is none.
!macro EarlierInstall UN
Function ${UN}EarlierInstall
  StrCpy $R9 ""
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  ; The uninstaller's path: between the quotes, or the whole value.
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $2 1
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == '"' ${|} ${ExitDo} ${|}
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
    IntOp $2 $2 - 1
    StrCpy $0 $0 $2 1
  ${EndIf}
  StrCpy $Earlier $0
  ${If} $0 != ""
  ${AndIf} ${FileExists} $0
    ${GetParent} $0 $R9
  ${EndIf}
FunctionEnd
!macroend
!insertmacro EarlierInstall ""
!insertmacro EarlierInstall "un."

; Clears the error flag when $R7 names an uninstaller of this product (its
; version resource's product name).
Function IsOwnUninstaller
  SetErrors
  System::Call 'version::GetFileVersionInfoSizeW(w R7, *i .r2) i .r3'
  ${If} $3 > 0
    System::Alloc $3
    Pop $4
    System::Call 'version::GetFileVersionInfoW(w R7, i 0, i r3, p r4) i .r5'
    ${If} $5 != 0
      System::Call 'version::VerQueryValueW(p r4, w "\StringFileInfo\040904b0\ProductName", *p .r6, *i .r7) i .r5'
      ${If} $5 != 0
        System::Call '*$6(&w64 .r8)'
        ${If} $8 == "${PRODUCT}"
          ClearErrors
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Free $4
  ${EndIf}
FunctionEnd

; Sets the error flag when $INSTDIR holds anything but uninstallers of this
; product that an uninstall left until the next restart.
Function CheckFolderEmpty
  FindFirst $0 $1 "$INSTDIR\*"
  ${DoWhile} $1 != ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
      StrCpy $2 $1 9
      StrCpy $3 $1 "" -4
      StrCpy $R7 "$INSTDIR\$1"
      ${If} $2 == "Uninstall"
      ${AndIf} $3 == ".exe"
        Call IsOwnUninstaller
      ${Else}
        SetErrors
      ${EndIf}
      ${If} ${Errors}
        FindClose $0
        SetErrors
        Return
      ${EndIf}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
  ClearErrors
FunctionEnd

Function .onInit
  !insertmacro MachineContext
  !insertmacro MUI_LANGDLL_DISPLAY

  ; The MSI package's product (any version) is installed.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 == 0
    !insertmacro Refuse "$(MsgMsiInstalled)"
  ${EndIf}

  StrCpy $Upgrade 0
  Call EarlierInstall
  ${If} $R9 != ""
    ; "/D=" on the command line (the installer takes it out of $CMDLINE).
    System::Call 'kernel32::GetCommandLineW() w .r0'
    StrLen $2 $0
    StrCpy $1 0
    ${DoWhile} $1 < $2
      StrCpy $3 $0 4 $1
      ${If} $3 S== " /D="
      ${AndIf} $INSTDIR != $R9
        !insertmacro Refuse "$(MsgOtherFolder)"
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
    StrCpy $INSTDIR $R9
    StrCpy $Upgrade 1
    ; Files of the new package may be replaced only where the earlier
    ; installation recorded them (one made before the record existed put the
    ; package's files there itself).
    StrCpy $HaveRecord 0
    EnumRegValue $0 HKLM "${FILES_KEY}" 0
    ${IfThen} $0 != "" ${|} StrCpy $HaveRecord 1 ${|}
    StrCpy $R8 ""
    ${If} $HaveRecord == 1
      !insertmacro CheckPackageFiles
    ${EndIf}
    ${If} $R8 != ""
      !insertmacro Refuse "$(MsgForeignFile)"
    ${EndIf}
  ${ElseIf} ${Silent}
    Call CheckFolderEmpty
    ${If} ${Errors}
      !insertmacro Refuse "$(MsgNotEmpty)"
    ${EndIf}
  ${EndIf}
FunctionEnd

; An update goes where the earlier installation is: no folder to choose.
Function DirectoryPre
  ${If} $Upgrade == 1
    Abort
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckFolderEmpty
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(MsgNotEmpty)"
    Abort
  ${EndIf}
FunctionEnd

Section "Setwright"
  SetOutPath "$INSTDIR"
  ; Files of the earlier installation that this package no longer has.
  ${If} $Upgrade == 1
    StrCpy $5 0
    ${Do}
      EnumRegValue $6 HKLM "${FILES_KEY}" $5
      ${IfThen} $6 == "" ${|} ${ExitDo} ${|}
      IntOp $5 $5 + 1
      !insertmacro IsPackageFile $6 $7
      ${If} $7 == 0
        Delete "$INSTDIR\$6"
        ${GetParent} "$INSTDIR\$6" $8
        ${DoWhile} $8 != $INSTDIR
          ${IfThen} $8 == "" ${|} ${ExitDo} ${|}
          RMDir $8
          ${GetParent} $8 $8
        ${Loop}
      ${EndIf}
    ${Loop}
    DeleteRegKey HKLM "${FILES_KEY}"
  ${EndIf}

  !insertmacro InstallPackageFiles
  ; The uninstaller: the earlier one is replaced; one that an uninstall left
  ; until the next restart is not, as it is deleted then.
  StrCpy $0 "Uninstall.exe"
  StrCpy $1 0
  ${While} ${FileExists} "$INSTDIR\$0"
    ${If} $Upgrade == 1
    ${AndIf} "$INSTDIR\$0" == $Earlier
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    StrCpy $0 "Uninstall-$1.exe"
  ${EndWhile}
  StrCpy $R6 "$INSTDIR\$0"
  WriteUninstaller $R6
  ${If} $Upgrade == 1
  ${AndIf} $Earlier != $R6
    Delete $Earlier
  ${EndIf}
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Setwright.exe"
  ; A console in the program folder, where SetwrightCmd runs by its name.
  CreateShortcut "$SMPROGRAMS\${COMMAND_PROMPT}.lnk" "$SYSDIR\cmd.exe" "/k SetwrightCmd.exe --help"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Setwright.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$R6"'
  ; Run in place, the uninstaller returns when it is done (started without
  ; "_?=" it hands over to a copy of itself and returns at once).
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$R6" /S _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallerLanguage" $LANGUAGE
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Size in KiB, as the Programs list shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro MachineContext
  !insertmacro MUI_UNGETLANGUAGE
  ; An uninstaller left until the next restart beside the installation that
  ; replaced it removes nothing: the files are that installation's now.
  Call un.EarlierInstall
  ${If} $EXEDIR == $INSTDIR
  ${AndIf} $R9 == $INSTDIR
  ${AndIf} $EXEPATH != $Earlier
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; Removes what the installer put in place, and the folder when nothing else
; was left in it. The entry and the shortcuts go only when they are this
; installation's (a copy elsewhere must not take another's with it).
Section "Uninstall"
  !insertmacro RemovePackageFiles
  StrCpy $9 0
  IfRebootFlag 0 +2
    StrCpy $9 1
  SetRebootFlag false

  ; This uninstaller's file: the running one when it runs in place; else
  ; (a copy of it runs from the temporary folder) the one the entry names.
  Call un.EarlierInstall
  ${If} $EXEDIR == $INSTDIR
    StrCpy $0 $EXEPATH
  ${ElseIf} $R9 == $INSTDIR
    StrCpy $0 $Earlier
  ${Else}
    StrCpy $0 "$INSTDIR\Uninstall.exe"
  ${EndIf}
  ${If} $0 == $Earlier
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${COMMAND_PROMPT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}

  Delete $0
  RMDir "$INSTDIR"
  ${If} ${FileExists} $0
    ; Running: it goes at the next restart, and so does the folder when
    ; nothing else is left in it then.
    Delete /REBOOTOK $0
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  SetRebootFlag false
  ${If} $9 == 1
    SetErrorLevel 3010
  ${EndIf}
SectionEnd
