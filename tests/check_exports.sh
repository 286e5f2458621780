#!/bin/sh
# Compares the dynamic symbols a shared library defines with a list of
# names (one a line, '#' comments): every listed name and nothing else.
# An optional third list names exports whose code is not there yet.
set -eu
lib=$1
list=$2
pending=${3:-/dev/null}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names() { grep -v '^[[:space:]]*#' "$1" | grep -v '^[[:space:]]*$' | sort -u; }
names "$pending" >"$tmp/pending"
names "$list" | comm -23 - "$tmp/pending" >"$tmp/want"
nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | sort -u >"$tmp/have"
if ! diff -u "$tmp/want" "$tmp/have"; then
    echo "exports of $lib differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$tmp/have") exports, as listed"
