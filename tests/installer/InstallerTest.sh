#!/usr/bin/env bash
# The x64 MSI under Wine: install, run, uninstall, and a major upgrade from a lower version.
# Usage: InstallerTest.sh EXE VERSION [MSI], with wine_up done (WINEPREFIX set). MSI is the
# package under test (scripts/package's, built from EXE); without it one is built from EXE as
# scripts/package does. The lower version for the upgrade is built from EXE. Ends with
# "N passed, N failed".
set -uo pipefail
exe=$1
version=$2
given_msi=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/package.sh"
source "$here/../../scripts/lib/wine.sh"  # WINE64

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
drive=$WINEPREFIX/drive_c
installed="$drive/Program Files/Worktally/worktally.exe"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
machine_run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Quillmere\Worktally'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
profile=$drive/users/$(id -un)

passed=0
failed=0
problems=()
check() {  # check DESCRIPTION COMMAND...: one expectation of the current case
    "${@:2}" || problems+=("$1")
}
finish_case() {
    if ((${#problems[@]})); then
        failed=$((failed + 1))
        echo "[  FAILED  ] $1"
        printf '    %s\n' "${problems[@]}"
    else
        passed=$((passed + 1))
        echo "[       OK ] $1"
    fi
    problems=()
}

msi() { "$WINE64" msiexec "$@" /qn >/dev/null 2>&1; }
msi_refuses() { ! msi "$@"; }
reg_value_exists() { "$WINE64" reg query "$1" /v "$2" >/dev/null 2>&1; }
reg_value_missing() { ! reg_value_exists "$@"; }
shortcuts() {
    find "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs" \
        "$drive/users"/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs \
        -maxdepth 1 -name Worktally.lnk 2>/dev/null
}
# The product codes of every installed Worktally, one a line.
products() {
    "$WINE64" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { key = $0; sub(/.*\\/, "", key) }
        $1 == "DisplayName" && $NF == "Worktally" { print key }'
}
displayed_version() {
    "$WINE64" reg query "$uninstall_key\\$1" /v DisplayVersion 2>/dev/null | tr -d '\r' |
        awk '$1 == "DisplayVersion" { print $NF }'
}
remove_every_product() {
    local code
    for code in $(products); do msi /x "$code"; done
}
windows_path() { echo "Z:${1//\//\\}"; }
# The LinkFlags of a .lnk file (HasArguments is 0x20); -1 when it cannot be read.
lnk_flags() {
    local flags
    flags=$(od -An -tu4 -j20 -N4 "$1" 2>/dev/null | tr -d ' ')
    echo "${flags:--1}"
}

if [[ -n $given_msi ]]; then
    cp "$given_msi" "$work/current.msi" || { echo "0 passed, 1 failed"; exit 1; }
else
    package_msi "$exe" "$version" "$work/current.msi" || { echo "0 passed, 1 failed"; exit 1; }
fi
lower=$(lower_version "$version")
package_msi "$exe" "$lower" "$work/lower.msi" || { echo "0 passed, 1 failed"; exit 1; }
remove_every_product  # what an earlier, interrupted run left

# --- Install, run, uninstall -----------------------------------------------------------------
check "msiexec /i succeeds" msi /i "$(windows_path "$work/current.msi")"
check "worktally.exe is in Program Files\\Worktally" test -f "$installed"
check "the exe installed is the one packaged" cmp -s "$exe" "$installed"
check "one Start menu shortcut \"Worktally\"" test "$(shortcuts | wc -l)" -eq 1
lnk=$(shortcuts | head -1)
check "the shortcut starts the installed exe" \
    grep -qaF 'C:\Program Files\Worktally\worktally.exe' "${lnk:-/nonexistent}"
# No arguments: the viewer opens on the default log, the one the installed program records.
check "the shortcut gives no arguments" test "$(lnk_flags "${lnk:-/nonexistent}")" -ne -1 -a \
    "$(($(lnk_flags "${lnk:-/nonexistent}") & 0x20))" -eq 0
check "Apps & features lists Worktally $version" \
    test "$(displayed_version "$(products | head -1)")" = "$version"
# A start for another user ends before it opens any window; a hang ends at the timeout.
timeout 20 "$WINE64" "$installed" /U someoneelse >/dev/null 2>&1
check "the installed exe runs and a start for another user ends at once" test $? -eq 0

log="$profile/Documents/worktally-installer-test.dat"
mkdir -p "$(dirname "$log")"
printf '0123456789abcdef' >"$log"
"$WINE64" reg add "$settings_key\\Settings" /v Password /d kept /f >/dev/null 2>&1
for key in "$machine_run_key" "$run_key"; do
    "$WINE64" reg add "$key" /v Worktally /d "\"C:\\Program Files\\Worktally\\worktally.exe\" /l" /f \
        >/dev/null 2>&1
done
check "msiexec /x succeeds" msi /x "$(windows_path "$work/current.msi")"
check "worktally.exe is gone" test ! -e "$installed"
check "the shortcut is gone" test -z "$(shortcuts)"
check "no product is left" test -z "$(products)"
check "the machine's auto-run value is gone" reg_value_missing "$machine_run_key" Worktally
check "the user's auto-run value is gone" reg_value_missing "$run_key" Worktally
check "the user's log is still there" cmp -s <(printf '0123456789abcdef') "$log"
check "the user's settings are still there" reg_value_exists "$settings_key\\Settings" Password
finish_case "Installer.InstallsRunsAndUninstallsCleanly"

# --- Major upgrade ---------------------------------------------------------------------------
check "the lower version ($lower) installs" msi /i "$(windows_path "$work/lower.msi")"
check "version $version installs over it" msi /i "$(windows_path "$work/current.msi")"
codes=$(products)
check "one Worktally is installed" test "$(wc -w <<<"$codes")" -eq 1
check "the one installed is $version" test "$(displayed_version "$codes")" = "$version"
check "worktally.exe is in place" test -f "$installed"
check "one shortcut" test "$(shortcuts | wc -l)" -eq 1
check "the lower version does not install over it" msi_refuses /i "$(windows_path "$work/lower.msi")"
finish_case "Installer.MajorUpgradeLeavesOneProduct"

# --- The installed program records where its user may write ---------------------------------
# Root may write anywhere, so the program's folder is made read-only by a read-only bind mount.
install_dir=$(dirname "$installed")
local_dir="$profile/AppData/Local/Worktally"
rm -rf "$local_dir"
"$WINE64" reg delete "$settings_key" /f >/dev/null 2>&1  # a first start: no password yet
if mount --bind "$install_dir" "$install_dir" 2>/dev/null &&
    mount -o remount,ro,bind "$install_dir" 2>/dev/null; then
    check "Program Files\\Worktally cannot be written" \
        bash -c '! touch "$1/probe" 2>/dev/null' _ "$install_dir"
    "$WINE64" "$installed" /L >/dev/null 2>&1 &
    program=$!
    for _ in $(seq 300); do [[ -s $local_dir/worktaly.dat ]] && break; sleep 0.1; done
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    check "the session is recorded in %LOCALAPPDATA%\\Worktally\\worktaly.dat" \
        test -s "$local_dir/worktaly.dat"
    check "no log beside the program" test ! -e "$install_dir/worktaly.dat"
    umount "$install_dir"
    finish_case "Installer.TheInstalledProgramRecordsInLocalAppData"
else
    umount "$install_dir" 2>/dev/null
    echo "[  SKIPPED ] Installer.TheInstalledProgramRecordsInLocalAppData" \
        "(no read-only bind mount here)"
fi
rm -rf "$local_dir"

remove_every_product
"$WINE64" reg delete "$settings_key" /f >/dev/null 2>&1
rm -f "$log"
echo "$passed passed, $failed failed"
((failed == 0))
