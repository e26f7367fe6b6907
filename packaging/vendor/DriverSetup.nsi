; Driver installer template: installs a printer of the family through
; Spoolkit.dll. A vendor fills in the settings below (or passes them to
; makensis with /D...) and ships the built setup program inside its driver
; package, beside the files Spoolkit looks for:
;
;   DriverSetup.exe        this installer
;   Spoolkit.dll
;   KorvelUSBMon.dll       the USB port monitor and its user-interface library
;   KorvelUSBMonUI.dll
;   ENG\<INF_NAME>         the INF, its catalogue and the driver files it lists
;   CHN\<INF_NAME>         the same for Chinese (PRC) systems
;
; Spoolkit takes these from the folder of the running installer and writes
; its trace "PinLog.txt" there, so the package must stay laid out beside the
; setup program and that folder must be writable. The installer asks for
; administrator rights.
;
; Exit codes ("/S" runs without any window):
;   0  installed
;   2  the port monitor DLLs could not be copied (missing beside the setup?)
;   3  the driver or the printer could not be installed (see PinLog.txt)
;  10  Spoolkit.dll could not be loaded
;  11  Spoolkit.dll has no InstallDriver export
;  12  another result code from InstallDriver

; ---- Settings a vendor fills in ------------------------------------------
!ifndef PRINTER_NAME
  !define PRINTER_NAME "Korvel MQ Printer"           ; name of the new printer queue
!endif
!ifndef DRIVER_NAME
  !define DRIVER_NAME "Korvel MQ Series"             ; model name exactly as the INF names it
!endif
!ifndef INF_NAME
  !define INF_NAME "korvelmq.inf"                    ; the INF's file name inside ENG and CHN
!endif
!ifndef PORT_NAME
  !define PORT_NAME "USB001"                         ; port of the new printer
!endif
!ifndef HARDWARE_ID
  !define HARDWARE_ID "VID_0FE6&PID_811E"            ; used as USBPRINT\<id> on the plug-and-play route
!endif
!ifndef OUTFILE
  !define OUTFILE "DriverSetup.exe"
!endif
; x86-unicode for the 32-bit Spoolkit.dll that is shipped.
!ifndef TARGET
  !define TARGET "x86-unicode"
!endif
; ---------------------------------------------------------------------------

Unicode true
Target ${TARGET}
!include "LogicLib.nsh"

Name "${PRINTER_NAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails show
Page instfiles

; Shows message (also in the details list) and ends the installer with code.
; In silent mode the box is not shown.
!macro Finish code message
  DetailPrint "${message}"
  !if ${code} == 0
    MessageBox MB_OK|MB_ICONINFORMATION "${message}" /SD IDOK
  !else
    MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  !endif
  SetErrorLevel ${code}
!macroend

Section "Driver"
  ; Spoolkit.dll is loaded by its full path: a call by bare DLL name fails
  ; because the installer restricts the DLL search path, and the System
  ; plugin's "dll::function" form silently does nothing when the path holds
  ; "(" (as "Program Files (x86)" does). Strings therefore reach every call
  ; through registers, never inside the call text.
  StrCpy $0 "$EXEDIR\Spoolkit.dll"
  ; LOAD_WITH_ALTERED_SEARCH_PATH (8): Spoolkit's own imports come from its folder.
  System::Call "kernel32::LoadLibraryExW(w r0, p 0, i 8) p.r1 ?e"
  Pop $9
  ${If} $1 P= 0
    !insertmacro Finish 10 "Spoolkit.dll could not be loaded from $EXEDIR (error $9)."
    Return
  ${EndIf}
  System::Call "kernel32::GetProcAddress(p r1, m 'InstallDriver') p.r2"
  ${If} $2 P= 0
    System::Call "kernel32::FreeLibrary(p r1)"
    !insertmacro Finish 11 "Spoolkit.dll in $EXEDIR has no InstallDriver function."
    Return
  ${EndIf}

  ; The driver record: five pointer-size fields; the third names the driver
  ; model, the fifth the INF file. The strings live in buffers of their own
  ; until the call returns.
  StrCpy $3 "${DRIVER_NAME}"
  StrCpy $4 "${INF_NAME}"
  System::Call "*(&w260 r3) p.r5"
  System::Call "*(&w260 r4) p.r6"
  System::Call "*(p 0, p 0, p r5, p 0, p r6) p.r7"
  StrCpy $3 "${PRINTER_NAME}"
  StrCpy $4 "${PORT_NAME}"
  StrCpy $8 "${HARDWARE_ID}"
  DetailPrint "Installing ${DRIVER_NAME} as $\"${PRINTER_NAME}$\" on ${PORT_NAME}..."
  System::Call "::$2(p r7, w r3, w r4, w r8) i.r0"
  System::Free $7
  System::Free $6
  System::Free $5
  System::Call "kernel32::FreeLibrary(p r1)"

  ${Select} $0
    ${Case} 0
      !insertmacro Finish 0 "The printer $\"${PRINTER_NAME}$\" is installed."
    ${Case} 2
      !insertmacro Finish 2 "The port monitor files could not be copied: KorvelUSBMon.dll and KorvelUSBMonUI.dll must lie beside the setup program."
    ${Case} 3
      !insertmacro Finish 3 "The driver or the printer could not be installed. PinLog.txt beside the setup program lists every step."
    ${CaseElse}
      !insertmacro Finish 12 "Spoolkit.dll returned the unknown result $0."
  ${EndSelect}
SectionEnd
