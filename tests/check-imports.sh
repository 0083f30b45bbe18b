#!/bin/sh
# Checks that each program needs no DLL but Windows' own (the C and C++ runtimes are linked in) and
# that it carries its manifest (resource type 24) and version record (type 16).
# Usage: check-imports.sh program.exe...
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
status=0
for program in "$@"; do
    dump=$("$OBJDUMP" -p "$program") || { echo "$program: cannot read"; status=1; continue; }
    for dll in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|comctl32.dll|netapi32.dll|shell32.dll|shlwapi.dll|msvcrt.dll|api-ms-win-*)
            echo "$program: imports $dll" ;;
        *)
            echo "$program: imports $dll, which is not a Windows system DLL"
            status=1 ;;
        esac
    done
    # Type entries are the first level of the resource directory.
    types=$(printf '%s\n' "$dump" | sed -n 's/^[0-9a-f]\{3\}   Entry: ID: 0x\([0-9a-f]*\),.*/\1/p')
    for need in "000018 manifest" "000010 version record"; do
        set -- $need
        id=$1; shift
        printf '%s\n' "$types" | grep -qx "$id" || { echo "$program: no $*"; status=1; }
    done
    grep -q "Microsoft.Windows.Common-Controls" "$program" ||
        { echo "$program: the manifest asks for no common controls 6"; status=1; }
done
exit $status
