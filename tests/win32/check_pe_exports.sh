#!/bin/sh
# Compares the export table of a Windows DLL with a list of names (one a
# line, '#' comments): every listed name, undecorated, and nothing else.
# An optional fourth argument is how many names the list holds before its
# "# Extensions" line.
set -eu
objdump=$1
dll=$2
list=$3
original=${4:-}
. "$(dirname "$0")/../export_list.sh"
begin_export_check "$list" "$original"
# The name pointer table: lines "[ n] Name" after its heading.
"$objdump" -p "$dll" >"$tmp/dump"
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$tmp/dump" | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' |
    sort -u >"$tmp/have"
end_export_check "$dll" "$list"
