#!/bin/sh
# Checks each program's PE header and imports: the Windows it needs stated as
# Vista (OS and subsystem version 6.0, which its imports require, so an older
# system refuses it with a clear message instead of a missing function),
# terminal-server aware and large-address aware, address-space randomisation
# and no-execute data on, the stack protector linked in, and only the system's
# own DLLs imported (the C and C++ runtimes of the compiler are linked in, so
# no compiler DLL has to travel with the program).
# Usage: check_pe.sh OBJDUMP PROGRAM...
set -eu
objdump=$1
shift
status=0

check() {
  program=$1
  headers=$("$objdump" -p "$program")
  failed=0

  for field in MajorOSystemVersion:6 MinorOSystemVersion:0 MajorSubsystemVersion:6 \
    MinorSubsystemVersion:0; do
    value=$(printf '%s\n' "$headers" | sed -n "s/^${field%:*}[[:space:]]*//p")
    if [ "$value" != "${field#*:}" ]; then
      echo "$program: ${field%:*} is ${value:-missing}, not ${field#*:}"
      failed=1
    fi
  done

  if ! printf '%s\n' "$headers" | sed -n '/^Characteristics/,/^$/p' | grep -q 'large address aware'; then
    echo "$program: Characteristics lack large address aware"
    failed=1
  fi

  characteristics=$(printf '%s\n' "$headers" | sed -n '/^DllCharacteristics/,/^[A-Z]/p' | sed '$d')
  for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
    if ! printf '%s\n' "$characteristics" | grep -qw "$flag"; then
      echo "$program: DllCharacteristics lacks $flag:"
      printf '%s\n' "$characteristics"
      failed=1
    fi
  done

  # Imported DLLs, delay-loaded ones included.
  for dll in $(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p'); do
    case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | ole32.dll | oleaut32.dll | \
        advapi32.dll | shell32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll) ;;
      *)
        echo "$program: imports $dll, which is not a system DLL"
        failed=1
        ;;
    esac
  done

  # With a symbol table (debug builds), the stack protector's guard shows.
  symbols=$("$objdump" -t "$program")
  if printf '%s\n' "$symbols" | grep -q '\.text'; then
    if ! printf '%s\n' "$symbols" | grep -q '__stack_chk_guard'; then
      echo "$program: no stack protector guard in the program"
      failed=1
    fi
  fi

  if [ "$failed" -eq 0 ]; then
    echo "PE header and imports of $program are as they should be"
  else
    status=1
  fi
}

for program in "$@"; do
  check "$program"
done
exit "$status"
