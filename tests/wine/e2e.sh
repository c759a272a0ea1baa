#!/usr/bin/env bash
# End-to-end test of WordOpenFix.exe under Wine, pressing its buttons and
# answering its message boxes as a user would.
# Usage: tests/wine/e2e.sh BUILD_DIR (build/win32, or build/win64).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
source "$(dirname "$0")/program.sh"
begin_suite e2e "$@"

echo "# The window as built, then a close request"
fresh_tool_folder
wine "$exe" &
pid=$!
windowprobe describe "$form1" >"$out/window.txt"
check "title, client size, controls' places, texts and fonts, tab order and focus are as designed" \
    same "$expected/window.txt" "$out/window.txt"
# Label2 (16,56 385x57 in the client area) at its bottom-left and top-right
# pixels, which its text does not reach, sampled from the screen.
windowprobe origin "$form1" >"$out/origin.txt"
read -r x y <"$out/origin.txt"
corners="%[hex:p{$((x + 16)),$((y + 112))}] %[hex:p{$((x + 400)),$((y + 56))}]"
sleep 1
must import -window root "$out/window.png"
label2=$(convert "$out/window.png" -format "$corners" info:) || stop "convert of the screenshot exited with status $?"
check "Label2 is painted RGB(0,0,64) behind its text (was $label2)" [ "$label2" = "000040 000040" ]
boxdriver "$form1:{Close}" >/dev/null
wait_exit 30
check "a close request ends the program with status 0" [ $? = 0 ]
check "the registry is unchanged and no log was written" unchanged

echo "# Five starts in a row, each right after another program ran"
for start in 1 2 3 4 5; do
    regtool seed-demo
    wine "$exe" &
    pid=$!
    windowprobe focus "$form1" >"$out/focus.txt"
    check "start $start: the focus is on Kemaskini" same <(echo '&Kemaskini') "$out/focus.txt"
    boxdriver "$form1:{Close}" >/dev/null
    wait_exit 30
done

echo "# Keluar straight after the start"
fresh_tool_folder
run_program keluar "$form1:Keluar" >/dev/null
wait_exit 30
check "Keluar ends the program with status 0" [ $? = 0 ]
check "the registry is unchanged and no log was written" unchanged

echo "# Yes, then OK: the repair"
fresh_tool_folder
regtool dump >"$out/seeded.dump"
check "the demo registry is seeded as expected" same "$expected/seeded.dump" "$out/seeded.dump"
run_to_end apply apply.boxes 0 yes ok
check "the registry is in the repaired state" same "$expected/repaired.dump" "$out/apply.dump"
expected_log >"$out/expected.log"
check "the log beside the exe holds the four lines read" cmp "$out/expected.log" "$tool/WordOpenFix.txt"
# The demo shows the keys in regtool's export; it must be what regedit writes.
# regedit exits with status 0 whatever happens: a key or a file it cannot
# open is a line of its output, and a regedit that lost its wineserver ends
# without a word. Its file is the proof, and its output says why one is missing.
wine regedit /e "Z:$out/regedit.reg" 'HKEY_CLASSES_ROOT\Word.Document.12' >"$out/regedit.out" 2>&1
status=$?
must wineserver -w
[ "$status" = 0 ] && [ -s "$out/regedit.reg" ] ||
    stop "wine regedit /e exited with status $status and wrote no $out/regedit.reg;" \
        "it printed: $(tr -d '\r' <"$out/regedit.out" | tr '\n' ' ' | grep . || echo nothing)"
iconv -f UTF-16LE -t UTF-8 "$out/regedit.reg" | sed '1s/^\xef\xbb\xbf//' | tr -d '\r' >"$out/regedit.txt" ||
    stop "$out/regedit.reg is not UTF-16"
regtool export Word.Document.12 >"$out/regtool.reg"
regtool export --text 'Word.Document.12\Shell\Open\Command' >"$out/regtool-text.reg"
check "regtool export writes the repaired Word.Document.12 as regedit /e does" \
    same "$out/regedit.txt" <(grep -v '^;' "$out/regtool.reg")
check "regtool export --text gives Command.bk as its one string" \
    same <(printf '; "Command.bk" (REG_MULTI_SZ): "%s"\n' "${demo_command12%\\0}") <(grep '^;' "$out/regtool-text.reg")

echo "# A second run changes nothing further"
run_to_end again apply.boxes 0 yes ok
check "the registry is as after the first run" same "$expected/repaired.dump" "$out/again.dump"

echo "# Enter at the start presses Kemaskini; No leaves everything as it was"
fresh_tool_folder
run_program entered "$form1:{Enter}" no
check "Enter brought the box, which was answered No" same "$expected/entered.boxes" "$out/entered.boxes"
check "no further box appeared" boxdriver --quiet-for 3
check "the program is still running" kill -0 "$pid" 2>/dev/null
check "the registry is unchanged and no log was written" unchanged
boxdriver --timeout 30 "$form1:Kemaskini" no >"$out/declined.boxes"
check "Kemaskini then asks again; No" same "$expected/declined.boxes" "$out/declined.boxes"
check "the program is still running" kill -0 "$pid" 2>/dev/null
check "the registry is still unchanged and no log was written" unchanged
boxdriver "$form1:Keluar" >/dev/null
wait_exit 30
check "Keluar then ends the program with status 0" [ $? = 0 ]

echo "# The log cannot be created: an error and nothing changed"
fresh_tool_folder
must mkdir "$tool/WordOpenFix.txt"
# The error box names the log and says that nothing changed.
run_to_end no-log no-log.boxes 1 yes ok
check "the registry is unchanged" same "$expected/seeded.dump" "$out/no-log.dump"

echo "# Word is not registered: nothing to repair, which is no success, and nothing written"
fresh_tool_folder
must quietly wine reg delete 'HKCR\Word.Document.12' /f
must quietly wine reg delete 'HKCR\Word.Document.8' /f
must wineserver -w
regtool dump >"$out/unregistered-before.dump"
run_to_end unregistered nothing.boxes 2 yes ok
check "the registry is unchanged" same "$out/unregistered-before.dump" "$out/unregistered.dump"
check "the log beside the exe holds the four lines, all empty" \
    cmp <(expected_log '' '' '' '') "$tool/WordOpenFix.txt"

# word12 DUMP, word8 DUMP: the part of DUMP that is Word.Document.12's, Word.Document.8's.
word12() { sed -n '/^\[HKCR\\Word.Document.8\]/q;p' "$1"; }
word8() { sed -n '/^\[HKCR\\Word.Document.8\]/,$p' "$1"; }

echo "# Access denied to Word.Document.8's keys, as to a user who is not an administrator"
fresh_tool_folder
check "Wine refuses to open the protected keys for changing" regtool deny-changes Word.Document.8
# The error box names Word.Document.8 and asks for an administrator.
run_to_end denied denied.boxes 1 yes ok
# Word.Document.12 is repaired, Word.Document.8 left exactly as seeded.
check "Word.Document.12 is repaired and nothing of Word.Document.8 changed" \
    same <(word12 "$expected/repaired.dump" && word8 "$expected/seeded.dump") "$out/denied.dump"
check "the log beside the exe holds the four lines read" cmp "$out/expected.log" "$tool/WordOpenFix.txt"

echo "# Office's spelling in lower case, and a ddeexec subkey of Word.Document.12 that may not be deleted"
fresh_tool_folder
regtool seed-demo --office-spelling
check "Wine refuses the key to whoever asks to delete it, and lets it be read" regtool deny-delete 'Word.Document.12\shell\open\ddeexec\Topic'
regtool dump >"$out/undeletable-before.dump"
check "the descriptor value is seeded as \"command\"" grep -q '^  "command" REG_MULTI_SZ' "$out/undeletable-before.dump"
# The error box names the rename, says Word.Document.12 was left as it was
# and asks for an administrator.
run_to_end undeletable undeletable.boxes 1 yes ok
check "Word.Document.12 is as it was, name for name and byte for byte" \
    same <(word12 "$out/undeletable-before.dump") <(word12 "$out/undeletable.dump")
# Word.Document.8 is repaired, and its keys keep their spelling.
check "Word.Document.8 is repaired, its keys spelled as they were" \
    same <(word8 "$expected/repaired.dump" | sed '/^\[/{s/\\Shell/\\shell/;s/\\Open/\\open/;s/\\Command\]/\\command]/}') \
    <(word8 "$out/undeletable.dump")

echo "# At 120 DPI (large fonts) the same window, a quarter larger"
# Read by a probe that is not DPI-aware, Wine 10 scales it back down to 96 DPI.
for tool in windowprobe boxdriver; do
    check "$tool.exe declares itself DPI-aware" grep -q '<dpiAware>true</dpiAware>' "$build/tests/wine/$tool.exe"
done
must quietly wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f
must wineserver -w
wine "$exe" &
pid=$!
windowprobe describe "$form1" >"$out/window-120dpi.txt"
check "every length and font follows the screen's DPI" same "$expected/window-120dpi.txt" "$out/window-120dpi.txt"
boxdriver "$form1:{Close}" >/dev/null
wait_exit 30

end_suite
