; KestrelSetup.exe: installs Kestrel from the installation image and writes its uninstaller.
; Built by scripts/make-installer.sh, which passes:
;   IMAGE    the installation image (what an installed Kestrel folder holds)
;   SIM32    the 32-bit drivers and their tools (kestrelsim.sys, kestrelsysfs.sys, kestrelctl.exe,
;            kestrelsim-setup.exe); left out of the 64-bit twin, which never runs on a 32-bit system
;   SIM64    the same in their 64-bit build
;   VERSION  MAJOR.MINOR.PATCH, the number the program and the Debian package carry too
;   FILES    generated: the SetOutPath/File lines of the image;  UNFILES: the matching Delete/RMDir
;   OUTFILE  the installer to write;  ART  the artwork folder (icon and pictures)
;   AMD64    defined for the 64-bit twin (64-bit stub, 64-bit folder and registry view)
;
; Silent use:  KestrelSetup.exe /S [/SIMULATOR | /SYSFS] [/D=C:\Some Folder\Kestrel]   (/D last, unquoted)
;              Uninstall.exe /S [/REMOVESETTINGS]
; A power driver that cannot be installed ends a silent installation with exit code 2 (Kestrel itself
; is installed and runs without it); the interactive one says why.
;
; The shipped installer is the 32-bit one: on a 64-bit system it installs into the 32-bit
; Program Files and writes the 32-bit registry view (WOW6432Node), which is what the 32-bit
; Kestrel reads; the system runs 32-bit programs from that view's Run key too.

!ifdef AMD64
    Target amd64-unicode
!else
    Target x86-ansi
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include x64.nsh
!include WinMessages.nsh

!define PRODUCT "Kestrel"
!define MAKER "Ardwick"
!define PRODUCT_KEY "Software\Ardwick\Kestrel"
!define MAKER_KEY "Software\Ardwick"
!define SETTINGS_KEY "Software\Ardwick\Kestrel\Settings"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel"
; The running program's main window and its Exit command.
!define KESTREL_CLASS "Kestrel:4FACD4C0-E1D7-11d1-9135-B36B9C89BE5C"
!define CMD_EXIT 40005
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER} Corporation"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 1999 ${MAKER} Corporation. All rights reserved."
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
BrandingText "${MAKER} ${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
!ifdef AMD64
    InstallDir "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
!else
    InstallDir "$PROGRAMFILES\${MAKER}\${PRODUCT}"
!endif
; A second installation goes where the first one went.
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstFolder"

!define MUI_ICON "${ART}/Kestrel.ico"
!define MUI_UNICON "${ART}/Kestrel.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}/SetupWelcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${ART}/SetupWelcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ART}/SetupHeader.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${ART}/SetupHeader.bmp"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kestrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Kestrel now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The highest folder of $INSTDIR's path that this installation creates ("" when it exists).
Var madeFolder

; Finds madeFolder before anything is written. A repeat installation into the same folder keeps
; the first one's record, so the uninstaller still removes every folder the first one made.
Function FindFoldersToMake
    StrCpy $madeFolder ""
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "InstFolder"
    ReadRegStr $1 HKLM "${PRODUCT_KEY}" "MadeFolder"
    ${If} $0 == $INSTDIR
    ${AndIf} $1 != ""
        StrCpy $madeFolder $1
        Return
    ${EndIf}
    StrCpy $0 $INSTDIR
    ${DoUntil} ${FileExists} "$0\*.*"
        StrCpy $madeFolder $0
        ${GetParent} $0 $0
        ${If} $0 == ""
            ${Break}
        ${EndIf}
    ${Loop}
FunctionEnd

; Ends a running Kestrel the way its menu does: Exit to its main window, then waits for the
; process. Never a kill: the program removes its notification icon on the way out.
!macro DEFINE_END_KESTREL un
Function ${un}EndKestrel
    Push $0
    Push $1
    Push $2
    Push $3
    StrCpy $3 0
    ${Do}
        FindWindow $0 "${KESTREL_CLASS}"
        ${If} $0 P= 0
            ${Break}
        ${EndIf}
        ${If} $3 >= 3
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Kestrel is still running. Close it, then choose Retry." \
                /SD IDCANCEL IDRETRY retry
            Abort "Kestrel is still running."
          retry:
            StrCpy $3 0
        ${EndIf}
        DetailPrint "Ending the running Kestrel"
        StrCpy $1 0
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
        System::Call 'user32::PostMessage(p r0, i ${WM_COMMAND}, p ${CMD_EXIT}, p 0) i'
        ${If} $2 P<> 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i'
            System::Call 'kernel32::CloseHandle(p r2) i'
        ${Else}
            Sleep 1000
        ${EndIf}
        IntOp $3 $3 + 1
    ${Loop}
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_END_KESTREL ""
!insertmacro DEFINE_END_KESTREL "un."

Section "Kestrel (required)" SecKestrel
    SectionIn RO
    Call EndKestrel
    Call FindFoldersToMake
    !include "${FILES}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstFolder" "$INSTDIR"
    ${If} $madeFolder != ""
        WriteRegStr HKLM "${PRODUCT_KEY}" "MadeFolder" $madeFolder
    ${EndIf}
    ; Quoted: the folder may hold blanks.
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Kestrel.exe"'

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Kestrel.lnk" "$INSTDIR\Kestrel.exe" "" "$INSTDIR\Kestrel.exe" 0
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\Uninstall.exe" "" "$INSTDIR\Uninstall.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; On a real notebook the power driver comes from the machine's maker. Where there is none, one of
; two stands in: the simulator (for trying Kestrel out) or, under Wine on Linux, the driver that
; answers from the machine's own backlight and CPU clock files. Both offer the same device, so a
; machine has one of them at most: installing one takes the other away.

; Why the chosen driver could not be installed; empty when it was.
Var driverError

; File NAME of the build the system loads: a 64-bit system loads only 64-bit drivers, and the
; driver's tools go beside it in the same build. The 64-bit twin has no 32-bit build to give.
!macro SystemFile NAME
!ifdef AMD64
    ; The twin knows it runs on a 64-bit system: its other branch is there for a wrong choice only.
    !pragma warning disable 6012
!endif
    ${If} ${RunningX64}
        File "${SIM64}/${NAME}"
    ${Else}
!ifdef SIM32
        File "${SIM32}/${NAME}"
!else
        SetErrors
!endif
    ${EndIf}
!macroend

; Runs the driver's setup tool with ARGUMENTS; on failure driverError gets what it said.
!macro DriverStep ARGUMENTS
    nsExec::ExecToStack '"$SYSDIR\kestrelsim-setup.exe" ${ARGUMENTS}'
    Pop $0
    Pop $1
    ${If} $0 != 0
    ${AndIf} $driverError == ""
        StrCpy $driverError $1
        ${If} $driverError == ""
            StrCpy $driverError "kestrelsim-setup ${ARGUMENTS} failed ($0)."
        ${EndIf}
    ${EndIf}
!macroend

!macro InstallPowerDriver SERVICE OTHER FLAG OTHERFLAG
    StrCpy $driverError ""
    ; A 32-bit installer on a 64-bit system sees a 32-bit system32 unless it asks for the real one.
    ${DisableX64FSRedirection}
    SetOutPath "$SYSDIR"
    !insertmacro SystemFile "kestrelsim-setup.exe"
    ; A loaded driver keeps its file open: the other driver goes, and an older copy of this one
    ; stops (its device first), before the file is written.
    nsExec::Exec '"$SYSDIR\kestrelsim-setup.exe" stop ${OTHER}'
    Pop $0
    nsExec::Exec '"$SYSDIR\sc.exe" delete ${OTHER}'
    Pop $0
    Delete /REBOOTOK "$SYSDIR\drivers\${OTHER}.sys"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "${OTHERFLAG}"
    !insertmacro DriverStep "stop ${SERVICE}"
    SetOutPath "$SYSDIR\drivers"
    ClearErrors
    !insertmacro SystemFile "${SERVICE}.sys"
    ${If} ${Errors}
    ${AndIf} $driverError == ""
        StrCpy $driverError "$SYSDIR\drivers\${SERVICE}.sys could not be written."
    ${EndIf}
    nsExec::Exec '"$SYSDIR\sc.exe" create ${SERVICE} type= kernel start= demand binPath= "$SYSDIR\drivers\${SERVICE}.sys"'
    Pop $0
    ; Both ways in: the device path of APM machines and the device interface of ACPI machines.
    WriteRegDWORD HKLM "System\CurrentControlSet\Services\${SERVICE}\Parameters" "Modes" 3
    !insertmacro DriverStep "install-acpi ${SERVICE}"
    !insertmacro DriverStep "start ${SERVICE}"
    SetOutPath "$SYSDIR"
    ${If} $driverError == ""
        WriteRegDWORD HKLM "${PRODUCT_KEY}" "${FLAG}" 1
    ${Else}
        DetailPrint "The power driver ${SERVICE} is not installed: $driverError"
        MessageBox MB_OK|MB_ICONEXCLAMATION "Kestrel is installed, but its power driver ${SERVICE} could not be:$\r$\n$\r$\n$driverError$\r$\n$\r$\nKestrel runs without backlight and CPU clock control until it is." /SD IDOK
        SetErrorLevel 2
    ${EndIf}
!macroend

Section /o "Driver simulator" SecSimulator
    !insertmacro InstallPowerDriver kestrelsim kestrelsysfs Simulator SysfsDriver
    !insertmacro SystemFile "kestrelctl.exe"
    ${EnableX64FSRedirection}
SectionEnd

Section /o "Linux power driver (Wine)" SecSysfs
    !insertmacro InstallPowerDriver kestrelsysfs kestrelsim SysfsDriver Simulator
    Delete "$SYSDIR\kestrelctl.exe"
    ${EnableX64FSRedirection}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecKestrel} "Kestrel, its pictures, the Start menu entries, and its start at logon."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "A simulated power driver for machines without the maker's driver. Not needed on a notebook whose driver is installed."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSysfs} "For Linux notebooks running Wine: the backlight and CPU clock of the machine itself, through its /sys files (writing them needs root or a udev rule). Takes the simulator's place."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; After the sections: it selects one by its index.
Function .onInit
    SetShellVarContext all
!ifdef AMD64
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "This installer is for 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
!endif
    ; /SIMULATOR selects the driver simulator in silent installations.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SIMULATOR" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecSimulator} ${SF_SELECTED}
    ${EndIf}
    ; /SYSFS selects the Linux power driver instead.
    ClearErrors
    ${GetOptions} $0 "/SYSFS" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecSimulator} 0
        SectionSetFlags ${SecSysfs} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; The two drivers offer the same device: choosing one leaves the other out.
Function .onSelChange
    ${If} $0 == ${SecSysfs}
    ${AndIf} ${SectionIsSelected} ${SecSysfs}
        !insertmacro UnselectSection ${SecSimulator}
    ${ElseIf} $0 == ${SecSimulator}
    ${AndIf} ${SectionIsSelected} ${SecSimulator}
        !insertmacro UnselectSection ${SecSysfs}
    ${EndIf}
FunctionEnd

Function un.onInit
    SetShellVarContext all
!ifdef AMD64
    SetRegView 64
!endif
FunctionEnd

; The driver stops before it goes (its device first): it puts back what it changed as it stops.
!macro RemovePowerDriver SERVICE
    ${DisableX64FSRedirection}
    nsExec::Exec '"$SYSDIR\kestrelsim-setup.exe" stop ${SERVICE}'
    Pop $0
    nsExec::Exec '"$SYSDIR\sc.exe" delete ${SERVICE}'
    Pop $0
    Delete /REBOOTOK "$SYSDIR\drivers\${SERVICE}.sys"
    Delete "$SYSDIR\kestrelsim-setup.exe"
    ${EnableX64FSRedirection}
!macroend

Section "Uninstall"
    Call un.EndKestrel

    ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "Simulator"
    ${If} $0 = 1
        !insertmacro RemovePowerDriver kestrelsim
        ${DisableX64FSRedirection}
        Delete "$SYSDIR\kestrelctl.exe"
        ${EnableX64FSRedirection}
    ${EndIf}
    ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "SysfsDriver"
    ${If} $0 = 1
        !insertmacro RemovePowerDriver kestrelsysfs
    ${EndIf}

    Delete "$SMPROGRAMS\${PRODUCT}\Kestrel.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    !include "${UNFILES}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ; Up to the highest folder the installation made, each one that is left empty.
    ReadRegStr $1 HKLM "${PRODUCT_KEY}" "MadeFolder"
    StrLen $2 $1
    StrCpy $3 $INSTDIR $2
    StrCpy $4 $INSTDIR 1 $2
    ${If} $1 != ""
    ${AndIf} $3 == $1
    ${AndIf} $4 == "\"
        StrCpy $0 $INSTDIR
        ${DoUntil} $0 == $1
            ${GetParent} $0 $0
            ${If} $0 == ""
                ${Break}
            ${EndIf}
            RMDir $0
        ${Loop}
    ${EndIf}

    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "${MAKER_KEY}"

    ; The user's settings stay for a later installation unless asked otherwise.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        DeleteRegKey HKCU "${SETTINGS_KEY}"
    ${Else}
        MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION "Remove your Kestrel settings as well?" /SD IDNO IDNO keep
        DeleteRegKey HKCU "${SETTINGS_KEY}"
      keep:
    ${EndIf}
    DeleteRegKey /ifempty HKCU "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
    ; Last: whoever waits for the uninstaller's copy knows it has done everything once this is gone.
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
