#!/bin/sh
# Compares the dynamic symbols a shared library defines with a list of
# names (one a line, '#' comments): every listed name and nothing else.
# An optional third argument is how many names the list holds before its
# "# Extensions" line.
set -eu
lib=$1
list=$2
original=${3:-}
. "$(dirname "$0")/export_list.sh"
check_original_count "$list" "$original"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names "$list" >"$tmp/want"
nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | sort -u >"$tmp/have"
if ! diff -u "$tmp/want" "$tmp/have"; then
    echo "exports of $lib differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$tmp/have") exports, as listed"
