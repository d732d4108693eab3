# The Windows installer (cpack -G NSIS in build/windows/x86_64, made by
# tools/package-windows.sh): the three programs under Program Files\Ostrel\Tessary
# for all users, Start-menu entries with the programs' icons, the settings
# program started at logon from the all-users Run key, and an uninstaller in
# Add or Remove Programs. The installer is a 64-bit one (makensis' amd64 stubs).
install(TARGETS TessaryMixer TessarySettings TessaryDiag RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS)
# The NSIS lines below reach makensis as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Tessary)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control suite for the Tessary FireWire audio interface")
set(CPACK_PACKAGE_FILE_NAME tessary-${CPACK_PACKAGE_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Ostrel\\Tessary")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Ostrel Tessary")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Ostrel Tessary")
set(CPACK_NSIS_DISPLAY_NAME "Ostrel Tessary")
set(CPACK_NSIS_INSTALLED_ICON_NAME TessaryMixer.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/mixer/art/TessaryMixer.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/mixer/art/TessaryMixer.ico)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
# An upgrade takes the old version away first (its uninstaller, silently), so
# no file of it stays; the user's own data is never the uninstaller's.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES
  TessaryMixer "Tessary Mixer"
  TessarySettings "Tessary Settings"
  TessaryDiag "Tessary Diagnostics")

# Before files are replaced or removed: the settings program is ended with its
# own exit switch, and a running mixer is to be closed by the user (a silent
# run cannot ask: it fails instead). The mixer's window has this title.
set(tessary_nsis_close_programs [=[
  IfFileExists "$INSTDIR\TessarySettings.exe" 0 +2
    ExecWait '"$INSTDIR\TessarySettings.exe" /e'
  tessary_mixer_check:
  FindWindow $0 "" "Brelmor/Halvaren Ostrel Tessary Mixer"
  StrCmp $0 0 tessary_mixer_closed
  IfSilent 0 +3
    SetErrorLevel 5
    Quit
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "The Tessary Mixer is running. Close it, then choose Retry." IDRETRY tessary_mixer_check
  Quit
  tessary_mixer_closed:
]=])
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "${tessary_nsis_close_programs}")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "TessarySettings" '"$INSTDIR\TessarySettings.exe"'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel Tessary" "EstimatedSize" "$0"
]=])
string(REPLACE "tessary_mixer_" "tessary_uninstall_mixer_" tessary_nsis_uninstall_close "${tessary_nsis_close_programs}")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "${tessary_nsis_uninstall_close}
  DeleteRegValue HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Run\" \"TessarySettings\"
  Delete \"$INSTDIR\\LICENSE.txt\"")
# A 64-bit installer, from makensis' amd64 stubs: it runs where 32-bit programs cannot.
# Installer and uninstaller carry the programs' version too.
set(CPACK_NSIS_DEFINES "Target amd64-unicode
!include FileFunc.nsh
VIProductVersion ${PROJECT_VERSION}.0
VIFileVersion ${PROJECT_VERSION}.0
VIAddVersionKey /LANG=0 ProductName \"Ostrel Tessary\"
VIAddVersionKey /LANG=0 CompanyName Ostrel
VIAddVersionKey /LANG=0 FileDescription \"Ostrel Tessary installer\"
VIAddVersionKey /LANG=0 FileVersion ${PROJECT_VERSION}
VIAddVersionKey /LANG=0 ProductVersion ${PROJECT_VERSION}")

include(CPack)
