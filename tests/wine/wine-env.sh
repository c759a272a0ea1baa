# shellcheck shell=bash
# Sourced by ./dev and the Wine test scripts: Wine settings, fresh prefixes and
# a display. Only the 64-bit Wine runs on this machine; Mono and Gecko are
# never installed, so making a prefix does not wait for their installers.
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# new_prefix DIR: replaces DIR with a new prefix and makes it the current one.
new_prefix() {
    rm -rf "$1" && mkdir -p "$1"
    WINEPREFIX=$(cd "$1" && pwd) && export WINEPREFIX
    wineboot -i >/dev/null 2>&1
    winecfg -v winxp64 >/dev/null 2>&1
    # Debian's Wine does not look in fonts-wine for the dialog font.
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wineserver -w
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
