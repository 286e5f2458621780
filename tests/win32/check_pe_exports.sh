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
check_original_count "$list" "$original"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names "$list" >"$tmp/want"
# The name pointer table: lines "[ n] Name" after its heading.
"$objdump" -p "$dll" >"$tmp/dump"
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$tmp/dump" | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' |
    sort -u >"$tmp/have"
if ! diff -u "$tmp/want" "$tmp/have"; then
    echo "exports of $dll differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$tmp/have") exports, as listed"
