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
begin_export_check "$list" "$original"
nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | sort -u >"$tmp/have"
end_export_check "$lib" "$list"
