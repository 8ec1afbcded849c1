# Shared by the scripts: one Xvfb display and one persistent wineserver in a private prefix.
# Usage: source it, then wine_up (sets DISPLAY, WINEPREFIX) ... wine_down.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

wine_up() {
    local build=$1
    export WINEPREFIX=$build/wineprefix
    export WINEDEBUG=-all
    export WINEARCH=win64
    # No Mono or Gecko downloads: this machine has no network.
    export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"
    if [[ -z ${WORKTALLY_KEEP_DISPLAY:-} || -z ${DISPLAY:-} ]]; then
        local n
        for n in $(seq 91 140); do
            [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            WINE_XVFB_PID=$!
            export DISPLAY=":$n"
            break
        done
        local i
        for i in $(seq 1 100); do
            [[ -e /tmp/.X11-unix/X${DISPLAY#:} ]] && break
            sleep 0.1
        done
    fi
    "$WINESERVER" -p
    # Creates the prefix on first use (about 10 s), then returns quickly.
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w 2>/dev/null || true
    "$WINESERVER" -p
}

wine_down() {
    "$WINESERVER" -k 2>/dev/null || true
    if [[ -n ${WINE_XVFB_PID:-} ]]; then
        kill "$WINE_XVFB_PID" 2>/dev/null || true
        wait "$WINE_XVFB_PID" 2>/dev/null || true
        unset WINE_XVFB_PID
    fi
}
