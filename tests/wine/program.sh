# shellcheck shell=bash
# Sourced by the Wine test scripts (tests/wine/*.sh): how each begins and
# ends, one "ok - ..." or "not ok - ..." line a check, counted for the closing
# "N passed, M failed" that ./dev reads, the helper programs, and the program
# run as a user would run it. A step that fails outside a check stops the
# script with a line naming it and its status, rather than carry on into
# unrelated differences; ./dev then counts the suite failed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
expected=$here/expected
source "$here/wine-env.sh"
passed=0 failed=0

# stop WHAT: ends the script, saying what failed.
stop() {
    echo "stopped: $*" >&2
    wineserver -k 2>/dev/null
    exit 1
}

# must COMMAND...: runs COMMAND, and stops the script if it fails.
must() {
    "$@" && return
    stop "$* exited with status $?"
}

# begin_suite NAME BUILD_DIR: a Windows build (build/win32 or build/win64),
# its Wine, a display, and a fresh prefix in $out ($build/NAME).
begin_suite() {
    [ $# = 2 ] || { echo "usage: $0 BUILD_DIR (build/win32, or build/win64)" >&2; exit 2; }
    build=$(cd "$2" && pwd) || stop "no build folder $2"
    must wine_for "$build"
    must start_display
    out=$build/$1
    must rm -rf "$out" && must new_prefix "$out/prefix"
    tool=$WINEPREFIX/drive_c/Tool
}

# end_suite: the count, as the last line; the exit status says whether all passed.
end_suite() {
    wineserver -k
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

# check DESCRIPTION COMMAND...: COMMAND's exit status is the verdict, also
# where COMMAND runs a helper program.
check() {
    if in_check=1 "${@:2}"; then
        echo "ok - $1"
        passed=$((passed + 1))
    else
        echo "not ok - $1"
        failed=$((failed + 1))
    fi
}
same() { diff -u "$1" "$2" >&2; }  # same EXPECTED ACTUAL, showing the difference

# run_helper NAME ARG...: runs the helper program NAME (tests/wine/*.cpp);
# outside a check, a failure stops the script.
run_helper() {
    wine "$build/tests/wine/$1.exe" "${@:2}" && return
    local status=$?
    [ -n "${in_check:-}" ] || stop "$* exited with status $status"
    echo "$* exited with status $status" >&2
    return "$status"
}
regtool() { run_helper regtool "$@"; }
boxdriver() { run_helper boxdriver "$@"; }
windowprobe() { run_helper windowprobe "$@"; }

# The program as its user starts it; the exe's Windows path is $exe.
exe='C:\Tool\WordOpenFix.exe'

# fresh_tool_folder: the seeded registry, and $tool (C:\Tool) holding only the exe.
fresh_tool_folder() {
    regtool seed-demo
    must rm -rf "$tool"
    must mkdir -p "$tool"
    must cp "$build/WordOpenFix.exe" "$tool/"
}

# registry_is DUMP: the registry as in $expected/DUMP.
registry_is() { regtool dump >"$out/now.dump" && same "$expected/$1" "$out/now.dump"; }
# unchanged: the registry as seeded, and no log beside the exe.
unchanged() { registry_is seeded.dump && same <(echo WordOpenFix.exe) <(ls -A "$tool"); }

# run_program NAME ANSWER...: starts the program, answers its boxes into
# $out/NAME.boxes (a transcript, also shown) and leaves its pid in $pid.
run_program() {
    local name=$1 status=0
    shift
    wine "$exe" &
    pid=$!
    in_check=1 boxdriver --timeout 60 "$@" >"$out/$name.boxes" || status=$?
    cat "$out/$name.boxes"
    [ "$status" = 0 ] || stop "boxdriver $* exited with status $status"
}

# wait_exit SECONDS: the program's exit status, or 124 if it was still
# running; it is then killed. Only then: the pid of a program that ended may
# be another process's by now.
wait_exit() {
    local tenths
    for ((tenths = 0; tenths < $1 * 10; tenths++)); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; return; }
        sleep 0.1
    done
    kill "$pid"
    return 124
}

# run_to_end NAME BOXES STATUS ANSWER...: presses Kemaskini, answers the
# boxes and waits for the end; checks the boxes against $expected/BOXES and
# the exit status, and leaves the registry's dump in $out/NAME.dump.
run_to_end() {
    local name=$1 boxes=$2 want=$3 status
    run_program "$name" "$form1:Kemaskini" "${@:4}"
    wait_exit 60
    status=$?
    check "the boxes are those of $boxes" same "$expected/$boxes" "$out/$name.boxes"
    check "the program exited with status $want (was $status)" [ "$status" = "$want" ]
    regtool dump >"$out/$name.dump"
}

# The demo registry's default command and Command values, in printf's %b
# notation (as tests/support/Word2007Registration.h defines them).
demo_open='"C:\\Program Files\\Microsoft Office\\Office12\\WINWORD.EXE" /n /dde'
demo_command12='k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>D1g?.PmT*bA$vP^0rXZ7 /n /dde\0'
demo_command8='k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>u,Hc9-Mf%xR]2gQ=eL@w /n /dde\0'

# expected_log [OPEN12 COMMAND12 OPEN8 COMMAND8]: the log of a run, the demo
# registry's by default: for both document types the default command as it
# was read, then the Command value as text (the demo's REG_MULTI_SZ bytes
# keep their inner NUL), each after its key's path and " = ".
expected_log() {
    printf '%s\\Shell\\Open\\Command = %b\r\n' Word.Document.12 "${1-$demo_open}" Word.Document.12 \
        "${2-$demo_command12}" Word.Document.8 "${3-$demo_open}" Word.Document.8 "${4-$demo_command8}"
}
