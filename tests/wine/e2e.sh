#!/usr/bin/env bash
# End-to-end test of WordOpenFix.exe under Wine, pressing its buttons and
# answering its message boxes as a user would.
# Usage: tests/wine/e2e.sh BUILD_DIR (a 64-bit build).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: e2e.sh BUILD_DIR}" && pwd)
expected=$here/expected
source "$here/wine-env.sh"
start_display || exit 1

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

regtool() { wine "$build/tests/wine/regtool.exe" "$@"; }
boxdriver() { wine "$build/tests/wine/boxdriver.exe" "$@"; }
same() { diff -u "$1" "$2" >&2; }  # same EXPECTED ACTUAL, showing the difference

# The program opens this window first; its Kemaskini button starts the update.
main='Update for Win XP and Office 2007'

out=$build/e2e
rm -rf "$out" && mkdir -p "$out"
new_prefix "$out/prefix"
tool=$WINEPREFIX/drive_c/Tool

# fresh_tool_folder: the seeded registry and C:\Tool holding only the exe.
fresh_tool_folder() {
    regtool seed-demo
    rm -rf "$tool" && mkdir -p "$tool"
    cp "$build/WordOpenFix.exe" "$tool/"
}

# run_program NAME ANSWER...: starts the program, answers its boxes into
# $out/NAME.boxes (a transcript) and leaves its pid in $pid.
run_program() {
    local name=$1
    shift
    wine 'C:\Tool\WordOpenFix.exe' &
    pid=$!
    boxdriver --timeout 60 "$@" | tee "$out/$name.boxes"
}

# wait_exit SECONDS: the program's exit status, or 124 if it is still running.
wait_exit() {
    local tenths
    for ((tenths = 0; tenths < $1 * 10; tenths++)); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; return; }
        sleep 0.1
    done
    return 124
}

# The log as the program must write it: both document types, the default
# command as it was read, then the Command value as text, whose REG_MULTI_SZ
# bytes keep their inner NUL. CR LF after each line.
expected_log() {
    local key='Shell\Open\Command' open='"C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n /dde'
    printf '%s = %s\r\n%s = %s\0\r\n' \
        "Word.Document.12\\$key" "$open" \
        "Word.Document.12\\$key" 'k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>D1g?.PmT*bA$vP^0rXZ7 /n /dde' \
        "Word.Document.8\\$key" "$open" \
        "Word.Document.8\\$key" 'k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>u,Hc9-Mf%xR]2gQ=eL@w /n /dde'
}

echo "# Yes, then OK: the repair"
fresh_tool_folder
regtool dump >"$out/seeded.dump"
check "the demo registry is seeded as expected" same "$expected/seeded.dump" "$out/seeded.dump"
run_program apply "$main:Kemaskini" yes ok
wait_exit 60
status=$?
check "the boxes asked, then reported success" same "$expected/apply.boxes" "$out/apply.boxes"
check "the program exited with status 0 (was $status)" [ "$status" = 0 ]
regtool dump >"$out/repaired.dump"
check "the registry is in the repaired state" same "$expected/repaired.dump" "$out/repaired.dump"
expected_log >"$out/expected.log"
check "the log beside the exe holds the four lines read" cmp "$out/expected.log" "$tool/WordOpenFix.txt"

echo "# A second run changes nothing further"
run_program again "$main:Kemaskini" yes ok
wait_exit 60
status=$?
check "the second run reported success" same "$expected/apply.boxes" "$out/again.boxes"
check "the second run exited with status 0 (was $status)" [ "$status" = 0 ]
regtool dump >"$out/again.dump"
check "the registry is as after the first run" same "$expected/repaired.dump" "$out/again.dump"

echo "# No: nothing happens and the window stays"
fresh_tool_folder
run_program declined "$main:Kemaskini" no
check "the box asked and was answered No" same "$expected/declined.boxes" "$out/declined.boxes"
check "no further box appeared" boxdriver --quiet-for 3
check "the program is still running" kill -0 "$pid" 2>/dev/null
regtool dump >"$out/declined.dump"
check "the registry is unchanged" same "$expected/seeded.dump" "$out/declined.dump"
check "the folder holds only the exe (no log)" same <(echo WordOpenFix.exe) <(ls -A "$tool")
boxdriver "$main:Keluar" >/dev/null
wait_exit 30
check "Keluar then ends the program with status 0" [ $? = 0 ]
kill "$pid" 2>/dev/null

echo "# The log cannot be created: an error and nothing changed"
fresh_tool_folder
mkdir "$tool/WordOpenFix.txt"
run_program no-log "$main:Kemaskini" yes ok
wait_exit 60
status=$?
check "the boxes asked, then named the log and said nothing changed" same "$expected/no-log.boxes" "$out/no-log.boxes"
check "the program exited with status 1 (was $status)" [ "$status" = 1 ]
regtool dump >"$out/no-log.dump"
check "the registry is unchanged" same "$expected/seeded.dump" "$out/no-log.dump"

wineserver -k
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
