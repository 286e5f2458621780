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
