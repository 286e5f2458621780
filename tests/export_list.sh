# Helpers of the export checks, sourced by check_exports.sh and
# win32/check_pe_exports.sh.

# The names of a list (one a line, '#' comments, blanks ignored), sorted.
names() { grep -v '^[[:space:]]*#' "$1" | grep -v '^[[:space:]]*$' | sed 's/[[:space:]]//g' | sort -u; }

# Fails unless the names before the list's "# Extensions" line number
# exactly $2 (the original interface, kept apart from the extensions).
check_original_count() {
    [ -n "${2:-}" ] || return 0
    count=$(sed '/^# Extensions/,$d' "$1" | grep -v '^[[:space:]]*#' | grep -vc '^[[:space:]]*$')
    if [ "$count" != "$2" ]; then
        echo "$1 lists $count names before its extensions, not $2" >&2
        return 1
    fi
}

# Starts a check of the list $1 (with $2 names before its extensions, if
# given): a temporary folder in $tmp, removed on exit, holding the listed
# names in $tmp/want.
begin_export_check() {
    check_original_count "$1" "${2:-}"
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    names "$1" >"$tmp/want"
}

# Ends a check: the names in $tmp/have, those $1 exports, must be those of
# the list $2.
end_export_check() {
    if ! diff -u "$tmp/want" "$tmp/have"; then
        echo "exports of $1 differ from $2 (- missing, + unexpected)" >&2
        exit 1
    fi
    echo "$(wc -l <"$tmp/have") exports, as listed"
}
