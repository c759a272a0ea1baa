#!/usr/bin/env bash
# End-to-end test of WordOpenFix.exe under Wine on registry contents made to
# break a repair, and started from folders unlike C:\Tool: after each run,
# what the registry and the log hold, and that nothing was lost.
# Usage: tests/wine/hostile.sh BUILD_DIR (build/win32, or build/win64).
# Prints "ok - ..." or "not ok - ..." per check, then "N passed, M failed".
source "$(dirname "$0")/program.sh"
begin_suite hostile "$@"

cmd12='Word.Document.12\Shell\Open\Command' cmd8='Word.Document.8\Shell\Open\Command'

# install_at FOLDER: the exe alone in C:\FOLDER, or at the root of C: when
# FOLDER is empty; points $exe at it and $log where its log must appear.
install_at() {
    local dir=$WINEPREFIX/drive_c${1:+/$1}
    [ -z "$1" ] || { must rm -rf "$dir" && must mkdir -p "$dir"; }
    must cp "$build/WordOpenFix.exe" "$dir/"
    exe="C:\\${1:+$1\\}WordOpenFix.exe"
    log=$dir/WordOpenFix.txt
    rm -f "$log"
}

# outside_bak DUMP: the dump without the keys under any ddeexec.bak.
outside_bak() { awk '/^\[/ { bak = index($0, "\\ddeexec.bak") > 0 } !bak' "$1"; }

echo "# ddeexec trees 30 levels deep, with 255-character key names, value names of 300"
echo "# and 16,383 characters, 1 MiB, empty values of every type, classes, non-ANSI text"
install_at Tool
regtool seed-hostile
trees=("${cmd12%Command}ddeexec" "${cmd8%Command}ddeexec")
regtool dump "${trees[@]}" >"$out/trees.before"
check "the trees are seeded, each 30 levels deep" [ "$(grep -c '\\level 30\]' "$out/trees.before")" = 2 ]
run_to_end trees apply.boxes 0 yes ok
regtool dump "${trees[@]/%/.bak}" >"$out/trees.after"
sed '/^\[/s/\\ddeexec/&.bak/' "$out/trees.before" >"$out/trees.expected"
# The renamed keys' own lines, which hold their classes, checked apart.
top='^\[HKCR\\[^\\]*\\Shell\\Open\\ddeexec\.bak\]'
check "each tree is under ddeexec.bak, every value and every key below with its class unchanged" \
    same <(grep -v "$top" "$out/trees.expected") <(grep -v "$top" "$out/trees.after")
check "each ddeexec.bak has the class ddeexec had" \
    same <(grep "$top" "$out/trees.expected") <(grep "$top" "$out/trees.after")
check "ddeexec is gone and all else is repaired as usual" \
    same <(outside_bak "$expected/repaired.dump") <(outside_bak "$out/trees.dump")
check "the log holds the four lines read" cmp <(expected_log) "$log"

echo "# Command values that are not text: REG_DWORD, REG_BINARY"
install_at Tool
regtool seed-demo
regtool set "$cmd12" Command REG_DWORD '01 00 00 2a'
regtool set "$cmd8" Command REG_BINARY 'de ad be ef 00 01 00'
{ regtool value "$cmd12" Command && regtool value "$cmd8" Command; } >"$out/types.before"
check "the Command values are seeded" grep -q '^  "Command" REG_BINARY 7 bytes' "$out/types.before"
run_to_end types apply.boxes 0 yes ok
{ regtool value "$cmd12" Command.bk && regtool value "$cmd8" Command.bk; } >"$out/types.bk"
{ regtool value "$cmd12" Command && regtool value "$cmd8" Command; } >"$out/types.command"
check "Command.bk has the type and bytes Command had" \
    same <(sed 's/^  "Command" /  "Command.bk" /' "$out/types.before") "$out/types.bk"
check "Command is gone" same <(printf '  "Command" missing\n%.0s' 12 8) "$out/types.command"
# As the program reads them, the bytes are text, less a NUL at the end.
check "the log holds the four lines read" \
    cmp <(expected_log "$demo_open" '\x01\0\0*' "$demo_open" '\xde\xad\xbe\xef\0\x01') "$log"

echo "# Default commands of 2,000 characters ending in /dde, REG_EXPAND_SZ and REG_SZ"
install_at Tool
long='"%ProgramFiles%\Microsoft Office\Office12\WINWORD.EXE" /n'
long+=" $(seq -s ' ' 1000 | cut -c 1-$((2000 - ${#long} - 6))) /dde"
regtool seed-demo
regtool set "$cmd12" '' REG_EXPAND_SZ "$long"
regtool set "$cmd8" '' REG_SZ "$long"
{ regtool value "$cmd12" '' && regtool value "$cmd8" ''; } >"$out/long.before"
check "the default commands are seeded" grep -q '^  @ REG_EXPAND_SZ 4002 bytes' "$out/long.before"
run_to_end long apply.boxes 0 yes ok
{ regtool value "$cmd12" '' && regtool value "$cmd8" ''; } >"$out/long.after"
check "each is rewritten whole, ending in \"%1\", its type kept" \
    same <(sed 's/ \/dde\\0$/ "%1"\\0/' "$out/long.before") "$out/long.after"
check "the log holds the four lines read" \
    cmp <(expected_log "${long//\\/\\\\}" "$demo_command12" "${long//\\/\\\\}" "$demo_command8") "$log"

for folder in Утилита ''; do
    install_at "$folder"
    echo "# The exe as $exe"
    regtool seed-demo
    run_to_end "folder-${folder:-root}" apply.boxes 0 yes ok
    check "the registry is in the repaired state" same "$expected/repaired.dump" "$out/folder-${folder:-root}.dump"
    check "the log is ${exe%exe}txt, holding the four lines read" cmp <(expected_log) "$log"
done

end_suite
