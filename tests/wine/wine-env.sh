# shellcheck shell=bash
# Sourced by ./dev and the Wine test scripts: Wine settings, fresh prefixes and
# a display. Mono and Gecko are never installed, so making a prefix does not
# wait for their installers. A function here that fails says what failed and
# returns its status.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The title of the program's window (kForm1Caption in ui/Form1.h), by which
# the scripts find it.
form1='Update for Win XP and Office 2007'

# wine_for BUILD_DIR: Wine set for the Windows build in BUILD_DIR, told apart
# by the machine field of its WordOpenFix.exe's PE header: a 32-bit build
# runs in a 32-bit Windows XP prefix, a 64-bit one in a Windows XP x64 prefix.
wine_for() {
    local exe=$1/WordOpenFix.exe pe
    pe=$(od -An -tu4 -j60 -N4 "$exe" 2>/dev/null) || pe=0
    case $(od -An -tx2 -j$((pe + 4)) -N2 "$exe" 2>/dev/null | tr -d ' ') in
        014c) export WINEARCH=win32 WINE_WINDOWS=winxp ;;
        8664) export WINEARCH=win64 WINE_WINDOWS=winxp64 ;;
        *) echo "$exe is not a 32- or 64-bit x86 Windows program" >&2 && return 1 ;;
    esac
}

# new_prefix DIR: replaces DIR with a new prefix, made as wine_for said, and
# makes it the current one.
new_prefix() {
    rm -rf "$1" && mkdir -p "$1" && WINEPREFIX=$(cd "$1" && pwd) && export WINEPREFIX &&
        quietly wineboot -i && quietly winecfg -v "${WINE_WINDOWS:?wine_for BUILD_DIR first}" &&
        # Debian's Wine does not look in fonts-wine for the dialog font.
        quietly cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
            "$WINEPREFIX/drive_c/windows/Fonts/" &&
        quietly wineserver -w
}

# wine_manages_windows: with no window manager, Wine waits two seconds at
# every window closed for one to withdraw it, unless Wine manages the
# windows itself; it then draws their title bars, its buttons in Marlett.
wine_manages_windows() {
    quietly wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
        quietly cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

# quietly COMMAND...: COMMAND without its output; if it fails, a line says so.
quietly() {
    "$@" >/dev/null 2>&1 && return
    local status=$?
    echo "$* exited with status $status" >&2
    return "$status"
}

# start_display: without a display, starts Xvfb on a free one until the
# calling shell exits. Message boxes need one even when nobody looks.
start_display() {
    [ -n "${DISPLAY:-}" ] && return
    local n=90
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null' EXIT
    export DISPLAY=":$n"
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
        kill -0 "$XVFB_PID" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
}
