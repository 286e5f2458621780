#!/bin/sh
# Compares the dynamic symbols a shared library defines with a list of
# names (one a line, '#' comments): every listed name and nothing else.
# An optional third list names exports whose code is not there yet; an
# optional fourth argument is how many names the list holds before its
# "# Extensions" line.
set -eu
lib=$1
list=$2
pending=${3:-/dev/null}
original=${4:-}
. "$(dirname "$0")/export_list.sh"
check_original_count "$list" "$original"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names "$pending" >"$tmp/pending"
names "$list" | comm -23 - "$tmp/pending" >"$tmp/want"
nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | sort -u >"$tmp/have"
if ! diff -u "$tmp/want" "$tmp/have"; then
    echo "exports of $lib differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$tmp/have") exports, as listed"
