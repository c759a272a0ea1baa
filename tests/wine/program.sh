# shellcheck shell=bash
# Sourced by tests/wine/e2e.sh and tests/wine/hostile.sh, after checks.sh:
# the helper programs, and WordOpenFix.exe run as a user would run it.
# Expects $build (a Windows build), $out (where transcripts go), $expected
# (tests/wine/expected) and $exe (the program's Windows path).

regtool() { wine "$build/tests/wine/regtool.exe" "$@"; }
boxdriver() { wine "$build/tests/wine/boxdriver.exe" "$@"; }
windowprobe() { wine "$build/tests/wine/windowprobe.exe" "$@"; }

# The program opens this window first; its Kemaskini button starts the update.
main='Update for Win XP and Office 2007'

# run_program NAME ANSWER...: starts the program, answers its boxes into
# $out/NAME.boxes (a transcript) and leaves its pid in $pid.
run_program() {
    local name=$1
    shift
    wine "$exe" &
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

# run_to_end NAME BOXES STATUS ANSWER...: presses Kemaskini, answers the
# boxes and waits for the end; checks the boxes against $expected/BOXES and
# the exit status, and leaves the registry's dump in $out/NAME.dump.
run_to_end() {
    local name=$1 boxes=$2 want=$3 status
    run_program "$name" "$main:Kemaskini" "${@:4}"
    wait_exit 60
    status=$?
    kill "$pid" 2>/dev/null
    check "the boxes are those of $boxes" same "$expected/$boxes" "$out/$name.boxes"
    check "the program exited with status $want (was $status)" [ "$status" = "$want" ]
    regtool dump >"$out/$name.dump"
}

# log_line PROGID TEXT: a line of the log as the program must write it, for
# one value of PROGID's Shell\Open\Command; TEXT in printf's %b notation.
log_line() {
    printf '%s\\Shell\\Open\\Command = %b\r\n' "$1" "$2"
}

# The demo registry's default command and Command values, in %b notation
# (as tests/support/Word2007Registration.h defines them).
demo_open='"C:\\Program Files\\Microsoft Office\\Office12\\WINWORD.EXE" /n /dde'
demo_command12='k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>D1g?.PmT*bA$vP^0rXZ7 /n /dde\0'
demo_command8='k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>u,Hc9-Mf%xR]2gQ=eL@w /n /dde\0'

# expected_log [OPEN12 COMMAND12 OPEN8 COMMAND8]: the log of a run, the demo
# registry's by default: for both document types the default command as it
# was read, then the Command value as text (the demo's REG_MULTI_SZ bytes
# keep their inner NUL).
expected_log() {
    log_line Word.Document.12 "${1-$demo_open}"
    log_line Word.Document.12 "${2-$demo_command12}"
    log_line Word.Document.8 "${3-$demo_open}"
    log_line Word.Document.8 "${4-$demo_command8}"
}
