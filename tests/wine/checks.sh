# shellcheck shell=bash
# Sourced by the Wine test scripts: one "ok - ..." or "not ok - ..." line a
# check, counted for the closing "N passed, M failed" that ./dev reads.
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok - $1"
        passed=$((passed + 1))
    else
        echo "not ok - $1"
        failed=$((failed + 1))
    fi
}
same() { diff -u "$1" "$2" >&2; }  # same EXPECTED ACTUAL, showing the difference
