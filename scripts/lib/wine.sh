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
    # A persistent server for the whole run (never "wineserver -w": it waits for a persistent
    # server forever).
    "$WINESERVER" -p
    # Creates the prefix on first use (about 10 s), then returns quickly.
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
}

wine_down() {
    "$WINESERVER" -k 2>/dev/null || true
    if [[ -n ${WINE_XVFB_PID:-} ]]; then
        kill "$WINE_XVFB_PID" 2>/dev/null || true
        wait "$WINE_XVFB_PID" 2>/dev/null || true
        unset WINE_XVFB_PID
    fi
}

# Prepares the end-to-end run: a clean test folder and the C library locales the tests run
# the program under (Wine takes its date and time formats from them). The locales are built
# into the build folder, so nothing outside it changes. The tests need no virtual desktop:
# they deliver the tray icon's callback message themselves, and the test program and the
# program under test share Wine's default desktop, where they find each other's windows.
e2e_prepare() {
    local build=$1 name
    export WORKTALLY_E2E_DIR=$build/e2e
    if [[ -d $WORKTALLY_E2E_DIR ]]; then
        chattr -R -i "$WORKTALLY_E2E_DIR" 2>/dev/null || true
        rm -rf "$WORKTALLY_E2E_DIR"
    fi
    mkdir -p "$WORKTALLY_E2E_DIR"
    export LOCPATH=$build/locale
    mkdir -p "$LOCPATH"
    for name in en_US de_DE ja_JP; do
        [[ -d $LOCPATH/$name.UTF-8 ]] && continue
        localedef -i "$name" -f UTF-8 "$LOCPATH/$name.UTF-8" >/dev/null 2>&1 ||
            echo "e2e: cannot build the locale $name.UTF-8 (package locales missing?)" >&2
    done
    export LANG=en_US.UTF-8
}

# Undoes what the tests may leave behind: immutable folders.
e2e_cleanup() {
    [[ -n ${WORKTALLY_E2E_DIR:-} && -d $WORKTALLY_E2E_DIR ]] &&
        chattr -R -i "$WORKTALLY_E2E_DIR" 2>/dev/null || true
}

# Makes every window of this prefix live in one Wine virtual desktop (title bars, a taskbar
# and a notification area of its own), for pictures of the program headless.
wine_virtual_desktop() {
    "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        >/dev/null 2>&1
}

# The driver that talks to the running program's main window from inside Wine, for the run and
# screenshot scripts (tools/wmdrive.cpp, built by scripts/build win64). Prints its path.
wine_driver() {
    local exe=$1/win64/wmdrive.exe
    [[ -f $exe ]] || { echo "wine_driver: $exe missing (scripts/build win64)" >&2; return 1; }
    echo "$exe"
}
