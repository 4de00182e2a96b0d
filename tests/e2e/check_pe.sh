#!/bin/sh
# Checks the program's PE header and imports: address-space randomisation and
# no-execute data on, the stack protector linked in, and only the system's own
# DLLs imported (the C and C++ runtimes of the compiler are linked in, so no
# compiler DLL has to travel with the program).
# Usage: check_pe.sh OBJDUMP PROGRAM
set -eu
objdump=$1
program=$2
headers=$("$objdump" -p "$program")
status=0

characteristics=$(printf '%s\n' "$headers" | sed -n '/^DllCharacteristics/,/^[A-Z]/p' | sed '$d')
for flag in DYNAMIC_BASE NX_COMPAT; do
  if ! printf '%s\n' "$characteristics" | grep -qw "$flag"; then
    echo "DllCharacteristics lacks $flag:"
    printf '%s\n' "$characteristics"
    status=1
  fi
done

# Imported DLLs, delay-loaded ones included.
for dll in $(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p'); do
  case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | ole32.dll | oleaut32.dll | \
      advapi32.dll | shell32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll) ;;
    *)
      echo "imports $dll, which is not a system DLL"
      status=1
      ;;
  esac
done

# With a symbol table (debug builds), the stack protector's guard shows.
symbols=$("$objdump" -t "$program")
if printf '%s\n' "$symbols" | grep -q '\.text'; then
  if ! printf '%s\n' "$symbols" | grep -q '__stack_chk_guard'; then
    echo "no stack protector guard in the program"
    status=1
  fi
fi

[ "$status" -eq 0 ] && echo "PE header and imports of $program are as they should be"
exit "$status"
