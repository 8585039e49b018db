#!/usr/bin/env bash
# The windowed programs are Windows GUI programs, each one file that needs no
# DLL beside it: only DLLs that come with Windows are imported.
#   imports.sh OBJDUMP EXE...
set -u
objdump=$1
shift
# Windows' own DLLs; a Qt, libstdc++, libgcc or winpthread DLL is not one.
system_dlls='^(api-ms-win-[a-z0-9-]+|advapi32|authz|cfgmgr32|comdlg32|d3d9|d3d11|d3d12|dwmapi|dwrite|dxgi|gdi32|hid|imm32|kernel32|msvcrt|netapi32|ntdll|ole32|oleaut32|setupapi|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|ws2_32|wtsapi32)\.dll$'
status=0
for exe in "$@"; do
  dump=$("$objdump" -p "$exe") || { echo "FAILED: $objdump -p $exe"; exit 1; }
  subsystem=$(sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p' <<<"$dump")
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  echo "$(basename "$exe"): $subsystem; $(stat -c %s "$exe") bytes; imports $dlls"
  [ "$subsystem" = "(Windows GUI)" ] || { echo "FAILED: not a Windows GUI program"; status=1; }
  for dll in $dlls; do
    [[ $dll =~ $system_dlls ]] || { echo "FAILED: imports $dll, which Windows does not have"; status=1; }
  done
done
exit $status
