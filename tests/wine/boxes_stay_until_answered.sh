#!/usr/bin/env bash
# While one of WordOpenFix.exe's boxes is open, the main window gets what a
# user or another program can send it: a close request as End Task sends it
# (WM_CLOSE), one from the close box or the window menu (SC_CLOSE), and a
# second press of Kemaskini (BM_CLICK). Each time the box must stay, alone,
# until it is answered; nothing changes without a Yes; the program then
# ends as it always does.
# Usage: tests/wine/boxes_stay_until_answered.sh BUILD_DIR (build/win32, or build/win64).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
source "$(dirname "$0")/program.sh"
begin_suite boxes "$@"
must wine_manages_windows

# start_with_box [--no-log] ANSWER...: the seeded registry, C:\Tool holding
# only the exe (and, with --no-log, a folder where the log would go), the
# program started, Kemaskini pressed and the boxes answered up to the one
# to test, which is then open.
start_with_box() {
    fresh_tool_folder
    [ "${1:-}" != --no-log ] || { shift && must mkdir "$tool/WordOpenFix.txt"; }
    run_program start "$form1:Kemaskini" "$@" >/dev/null
    boxdriver --one-box-for 0
}

# send EVENT: EVENT to the main window, then the box must stay, alone.
send() {
    boxdriver "$form1:$1" >/dev/null
    check "$1: the box stays open, and no other opens" boxdriver --one-box-for 2
}

# answer BOX ANSWER: answers the open box, which must be BOX (its first line).
answer() {
    boxdriver "$2" >"$out/answered.boxes"
    check "it is the $1 box, and $2 closes it" grep -qF "text: $1" "$out/answered.boxes"
}

# ends_with STATUS: the program must end with STATUS.
ends_with() {
    wait_exit 30
    local status=$?
    check "the program exited with status $1 (was $status)" [ "$status" = "$1" ]
}

for event in '{WM_CLOSE}' '{Close}' '{Click Kemaskini}'; do
    echo "# $event while the confirmation is open"
    start_with_box
    send "$event"
    check "nothing has changed and no log was written" unchanged
    answer "Kemaskini ini untuk Windows XP" no
    check "after No nothing has changed and the window is back" unchanged
    check "the program is still running" kill -0 "$pid"
    boxdriver "$form1:Keluar" >/dev/null
    ends_with 0

    echo "# $event while the success box is open"
    start_with_box yes
    send "$event"
    answer "Update has been successfully applied" ok
    ends_with 0
    check "the registry is in the repaired state" registry_is repaired.dump

    echo "# $event while the error box is open (the log cannot be created)"
    start_with_box --no-log yes
    send "$event"
    answer "The log file could not be created" ok
    ends_with 1
    check "the registry is unchanged" registry_is seeded.dump
done

end_suite
