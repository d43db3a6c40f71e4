#!/bin/sh
# Checks that the built DLLs and the tool are PE files of the expected format (pei-i386 for the product)
# that import system DLLs only, and that zrpcfunc.dll exports the functions of every export fragment by
# name.
# Usage: check_dll_imports.sh OBJDUMP BIN_DIR DEF_FILE [FORMAT]
set -eu
OBJDUMP="$1"; BIN="$2"; DEF="$3"; FORMAT="${4:-pei-i386}"
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|COMCTL32|OLE32|OLEAUT32|SHELL32|msvcrt|COMDLG32|SHLWAPI|VERSION)\.(dll|DLL)$'
status=0
for f in zrpcfunc.dll zrpcres.dll zrpcres-de.dll zrpcres-xx.dll zrpc.exe; do
    fmt=$("$OBJDUMP" -f "$BIN/$f" | sed -n 's/.*file format //p')
    if [ "$fmt" != "$FORMAT" ]; then echo "$f: format $fmt, want $FORMAT"; status=1; fi
    for dll in $("$OBJDUMP" -p "$BIN/$f" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        if [ "$f" = zrpc.exe ] && [ "$dll" = zrpcfunc.dll ]; then continue; fi
        echo "$dll" | grep -Eiq "$allowed" || { echo "$f imports $dll"; status=1; }
    done
done
for m in zrpcres zrpcres-de zrpcres-xx; do
    if "$OBJDUMP" -p "$BIN/$m.dll" | grep -q "DLL Name:"; then echo "$m.dll imports code"; status=1; fi
done
exports=$("$OBJDUMP" -p "$BIN/zrpcfunc.dll" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p')
# Every export of the module definition file that has a name ("NAME", "NAME @ORDINAL", "... DATA").
for name in $(sed -n 's/^[[:space:]]*\([A-Za-z_][A-Za-z0-9_]*\)\([[:space:]]*@[0-9]*\)\{0,1\}\([[:space:]]*DATA\)\{0,1\}[[:space:]]*$/\1/p' "$DEF" |
            grep -v -e LIBRARY -e EXPORTS); do
    echo "$exports" | grep -qx "$name" || { echo "zrpcfunc.dll does not export $name"; status=1; }
done
# Exported classes: the module definition names C functions only, so check that the members of the
# classes marked for export came through as well.
for name in _ZN11CSecureEditC1Ev _ZN11CSecureEditD1Ev _ZN11CSecureEdit5EmptyEv \
            _ZN11CSecureEdit15GetRealContentsER7CString _ZN11CSecureEdit12HidePasswordEi \
            _ZN11CSecureEdit12HashContentsEPh _ZN4zwin6Window15SubclassDlgItemEjP6HWND__ \
            _ZN4zwin6Window16UnsubclassWindowEv _ZN18CDBVortalComboCtrlC1Ev \
            _ZN18CDBVortalComboCtrl11InitControlEP15ITokenInterfacem9_eChobKey _ZN18CDBVortalComboCtrl7RefreshEv \
            _ZN17CDBVortalListCtrlC1Ev _ZN17CDBVortalListCtrlC1EP14_tToken_InfoEx \
            _ZN17CDBVortalListCtrl11InitControlEP15ITokenInterfacemmi _ZN17CDBVortalListCtrl12SaveSettingsEv \
            _ZN17CDBVortalListCtrl12LoadSettingsEv _ZN17CDBVortalListCtrl11GetCheckboxEii \
            _ZN17CDBVortalListCtrl15CheckboxMessageEv \
            _ZN11CReportCtrlC1Ev _ZN11CReportCtrlD1Ev _ZN11CReportCtrl6CreateEmRK7tagRECTP6HWND__j \
            _ZN11CReportCtrl15SubclassDlgItemEjP6HWND__ _ZN11CReportCtrl7AddItemEPKciii \
            _ZN11CReportCtrl11GetItemRectEiiP7tagRECTj _ZN11CReportCtrl7HitTestEP14_RVHITTESTINFO \
            _ZN15CVortalListCtrlC1Ev _ZN15CVortalListCtrlD1Ev _ZN15CVortalListCtrl11InitControlEP15ITokenInterfacei \
            _ZN15CVortalListCtrl17RefreshVortalListEv _ZN15CVortalListCtrl13GetVortalTypeEi \
            _ZN15CVortalListCtrl20IsControlInitialisedEv _ZN15CVortalListCtrl16DeleteVortalListEv \
            _ZN12CKeyListCtrlC1Ev _ZN12CKeyListCtrlD1Ev _ZN12CKeyListCtrl11InitControlEP15ITokenInterfacemi \
            _ZN12CKeyListCtrl14RefreshKeyListEii _ZN12CKeyListCtrl18RefreshKeyListItemEii \
            _ZN12CKeyListCtrl17InsertKeyListItemEP11_tToken_Key _ZN12CKeyListCtrl14GetKeyListItemEiP11_tToken_Key \
            _ZN12CKeyListCtrl21GetDefaultKeyListItemEv _ZN12CKeyListCtrl35EnsureKeyListDefaultKeyItemSelectedEv \
            _ZN12CKeyListCtrl28IsDuplicateEncryptionKeyNameE7CString _ZN12CKeyListCtrl13DeleteKeyListEv \
            _ZN11CReportCtrl10SetBkImageEj _ZN11CReportCtrl24SetReportSubItemListCtrlEP6HWND__ \
            _ZN11CReportViewC1Ev _ZN11CReportView6CreateEmRK7tagRECTP6HWND__jm; do
    echo "$exports" | grep -qx "$name" || { echo "zrpcfunc.dll does not export $name"; status=1; }
done
[ $status = 0 ] && echo "imports and exports as expected"
exit $status
