#!/usr/bin/env bash
# End-to-end test of WordOpenFix.exe under Wine, pressing its buttons and
# answering its message boxes as a user would.
# Usage: tests/wine/e2e.sh BUILD_DIR (build/win32, or build/win64).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: e2e.sh BUILD_DIR}" && pwd)
expected=$here/expected
source "$here/wine-env.sh"
wine_for "$build" || exit 1
start_display || exit 1

source "$here/checks.sh"
source "$here/program.sh"

out=$build/e2e
rm -rf "$out" && mkdir -p "$out"
new_prefix "$out/prefix"
tool=$WINEPREFIX/drive_c/Tool
exe='C:\Tool\WordOpenFix.exe'

# fresh_tool_folder: the seeded registry and C:\Tool holding only the exe.
fresh_tool_folder() {
    regtool seed-demo
    rm -rf "$tool" && mkdir -p "$tool"
    cp "$build/WordOpenFix.exe" "$tool/"
}

# unchanged_and_no_log: the registry as seeded and C:\Tool as it was.
unchanged_and_no_log() {
    regtool dump >"$out/unchanged.dump"
    same "$expected/seeded.dump" "$out/unchanged.dump" && same <(echo WordOpenFix.exe) <(ls -A "$tool")
}

echo "# The window as built, then a close request"
fresh_tool_folder
wine "$exe" &
pid=$!
windowprobe describe "$main" >"$out/window.txt"
check "title, client size, controls' places, texts and fonts, tab order and focus are as designed" \
    same "$expected/window.txt" "$out/window.txt"
# Label2 (16,56 385x57 in the client area) at its bottom-left and top-right
# pixels, which its text does not reach, sampled from the screen.
read -r x y < <(windowprobe origin "$main")
corners="%[hex:p{$((x + 16)),$((y + 112))}] %[hex:p{$((x + 400)),$((y + 56))}]"
sleep 1
import -window root "$out/window.png"
label2=$(convert "$out/window.png" -format "$corners" info:)
check "Label2 is painted RGB(0,0,64) behind its text (was $label2)" [ "$label2" = "000040 000040" ]
boxdriver "$main:{Close}" >/dev/null
wait_exit 30
check "a close request ends the program with status 0" [ $? = 0 ]
kill "$pid" 2>/dev/null
check "the registry is unchanged and no log was written" unchanged_and_no_log

echo "# Five starts in a row, each right after another program ran"
for start in 1 2 3 4 5; do
    regtool seed-demo
    wine "$exe" &
    pid=$!
    check "start $start: the focus is on Kemaskini" same <(echo '&Kemaskini') <(windowprobe focus "$main")
    boxdriver "$main:{Close}" >/dev/null
    wait_exit 30
    kill "$pid" 2>/dev/null
done

echo "# Keluar straight after the start"
fresh_tool_folder
run_program keluar "$main:Keluar" >/dev/null
wait_exit 30
check "Keluar ends the program with status 0" [ $? = 0 ]
kill "$pid" 2>/dev/null
check "the registry is unchanged and no log was written" unchanged_and_no_log

echo "# Yes, then OK: the repair"
fresh_tool_folder
regtool dump >"$out/seeded.dump"
check "the demo registry is seeded as expected" same "$expected/seeded.dump" "$out/seeded.dump"
run_to_end apply apply.boxes 0 yes ok
check "the registry is in the repaired state" same "$expected/repaired.dump" "$out/apply.dump"
expected_log >"$out/expected.log"
check "the log beside the exe holds the four lines read" cmp "$out/expected.log" "$tool/WordOpenFix.txt"
# The demo shows the keys in regtool's export; it must be what regedit writes.
wine regedit /e "Z:$out/regedit.reg" 'HKEY_CLASSES_ROOT\Word.Document.12'
wineserver -w
check "regtool export writes the repaired Word.Document.12 as regedit /e does" \
    same <(iconv -f UTF-16LE -t UTF-8 "$out/regedit.reg" | sed '1s/^\xef\xbb\xbf//' | tr -d '\r') \
    <(regtool export Word.Document.12 | grep -v '^;')
check "regtool export --text gives Command.bk as its one string" \
    same <(printf '; "Command.bk" (REG_MULTI_SZ): "%s"\n' "${demo_command12%\\0}") \
    <(regtool export --text 'Word.Document.12\Shell\Open\Command' | grep '^;')

echo "# A second run changes nothing further"
run_to_end again apply.boxes 0 yes ok
check "the registry is as after the first run" same "$expected/repaired.dump" "$out/again.dump"

echo "# Enter at the start presses Kemaskini; No leaves everything as it was"
fresh_tool_folder
run_program entered "$main:{Enter}" no
check "Enter brought the box, which was answered No" same "$expected/entered.boxes" "$out/entered.boxes"
check "no further box appeared" boxdriver --quiet-for 3
check "the program is still running" kill -0 "$pid" 2>/dev/null
check "the registry is unchanged and no log was written" unchanged_and_no_log
boxdriver --timeout 30 "$main:Kemaskini" no >"$out/declined.boxes"
check "Kemaskini then asks again; No" same "$expected/declined.boxes" "$out/declined.boxes"
check "the program is still running" kill -0 "$pid" 2>/dev/null
check "the registry is still unchanged and no log was written" unchanged_and_no_log
boxdriver "$main:Keluar" >/dev/null
wait_exit 30
check "Keluar then ends the program with status 0" [ $? = 0 ]
kill "$pid" 2>/dev/null

echo "# The log cannot be created: an error and nothing changed"
fresh_tool_folder
mkdir "$tool/WordOpenFix.txt"
# The error box names the log and says that nothing changed.
run_to_end no-log no-log.boxes 1 yes ok
check "the registry is unchanged" same "$expected/seeded.dump" "$out/no-log.dump"

echo "# Word is not registered: nothing to repair, which is no success, and nothing written"
fresh_tool_folder
wine reg delete 'HKCR\Word.Document.12' /f >/dev/null 2>&1
wine reg delete 'HKCR\Word.Document.8' /f >/dev/null 2>&1
wineserver -w
regtool dump >"$out/unregistered-before.dump"
run_to_end unregistered nothing.boxes 2 yes ok
check "the registry is unchanged" same "$out/unregistered-before.dump" "$out/unregistered.dump"
check "the log beside the exe holds the four lines, all empty" \
    cmp <(expected_log '' '' '' '') "$tool/WordOpenFix.txt"

echo "# Access denied to Word.Document.8's keys, as to a user who is not an administrator"
fresh_tool_folder
check "Wine refuses to open the protected keys for changing" regtool deny-changes Word.Document.8
# The error box names Word.Document.8 and asks for an administrator.
run_to_end denied denied.boxes 1 yes ok
# Word.Document.12 is repaired, Word.Document.8 left exactly as seeded.
sed '/^\[HKCR\\Word.Document.8\]/,$d' "$expected/repaired.dump" >"$out/denied.expected.dump"
sed -n '/^\[HKCR\\Word.Document.8\]/,$p' "$expected/seeded.dump" >>"$out/denied.expected.dump"
check "Word.Document.12 is repaired and nothing of Word.Document.8 changed" \
    same "$out/denied.expected.dump" "$out/denied.dump"
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
    same <(sed -n '/^\[HKCR\\Word.Document.8\]/q;p' "$out/undeletable-before.dump") <(regtool dump Word.Document.12)
# Word.Document.8 is repaired, and its keys keep their spelling.
sed -n '/^\[HKCR\\Word.Document.8\]/,$p' "$expected/repaired.dump" |
    sed '/^\[/{s/\\Shell/\\shell/;s/\\Open/\\open/;s/\\Command\]/\\command]/}' >"$out/undeletable.expected8"
check "Word.Document.8 is repaired, its keys spelled as they were" \
    same "$out/undeletable.expected8" <(regtool dump Word.Document.8)

echo "# At 120 DPI (large fonts) the same window, a quarter larger"
# Read by a probe that is not DPI-aware, Wine 10 scales it back down to 96 DPI.
for tool in windowprobe boxdriver; do
    check "$tool.exe declares itself DPI-aware" grep -q '<dpiAware>true</dpiAware>' "$build/tests/wine/$tool.exe"
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null
wineserver -w
wine "$exe" &
pid=$!
windowprobe describe "$main" >"$out/window-120dpi.txt"
check "every length and font follows the screen's DPI" same "$expected/window-120dpi.txt" "$out/window-120dpi.txt"
boxdriver "$main:{Close}" >/dev/null
wait_exit 30
kill "$pid" 2>/dev/null

wineserver -k
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
