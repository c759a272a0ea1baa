#!/usr/bin/env bash
# Opens Word documents through Wine's own shell before and after the update,
# with a stand-in for Word that records its command line and answers no DDE.
# Before, the shell talks DDE to a Word that never answers: the open fails
# and the document never reaches Word. After, the document's path is on
# Word's command line and the open succeeds.
# Usage: tests/wine/shell_open.sh BUILD_DIR (build/win32, or build/win64).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
source "$(dirname "$0")/program.sh"
begin_suite shell-open "$@"
c=$WINEPREFIX/drive_c
must mkdir -p "$c/standin" "$c/docs" "$c/Tool"
must cp "$build/tests/wine/standin_word.exe" "$c/standin/WINWORD.EXE"
must cp "$build/WordOpenFix.exe" "$c/Tool/"
echo 'letter' >"$c/docs/letter.docx"
echo 'old letter' >"$c/docs/old.doc"
word='"C:\standin\WINWORD.EXE"'
regtool seed-standin 'C:\standin\WINWORD.EXE'

# open_document NAME DOCUMENT: opens DOCUMENT through the shell into $out/NAME.result
# (what the shell answered) and $out/NAME.calls (the stand-in's starts),
# leaving shell_open's exit status in $status.
open_document() {
    must rm -f "$c/standin/calls.txt"
    timeout 60 wine "$build/tests/wine/shell_open.exe" "$2" >"$out/$1.result"
    status=$?
    cat "$out/$1.result"
    must touch "$c/standin/calls.txt"
    must cp "$c/standin/calls.txt" "$out/$1.calls"
}

# Wine's shell, finding no DDE server for WinWord|System, starts the open
# command and asks again; when still nobody answers it gives up with
# ERROR_DDE_FAIL and hInstApp 30.
echo "# Before the update: the shell talks DDE to a Word that never answers"
for document in 'C:\docs\letter.docx' 'C:\docs\old.doc'; do
    name=before-${document##*\\}
    open_document "$name" "$document"
    check "$document: the shell reported failure (exit status $status)" [ "$status" = 1 ]
    check "$document: the failure is ERROR_DDE_FAIL" same <(echo 'returned 0 error 1156 hInstApp 30') "$out/$name.result"
    check "$document: Word was started once, without the document" same <(echo "$word /n /dde") "$out/$name.calls"
done

echo "# The update: Kemaskini, Yes, OK"
run_program update "$form1:Kemaskini" yes ok
wait_exit 30
status=$?
check "the program exited with status 0 (was $status)" [ "$status" = 0 ]

echo "# After the update: the document's path is on Word's command line"
for document in 'C:\docs\letter.docx' 'C:\docs\old.doc'; do
    name=after-${document##*\\}
    open_document "$name" "$document"
    check "$document: the shell reported success (exit status $status)" [ "$status" = 0 ]
    check "$document: Word was started once, with the quoted path" \
        same <(echo "$word /n \"$document\"") "$out/$name.calls"
done

end_suite
