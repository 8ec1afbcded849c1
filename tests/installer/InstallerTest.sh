#!/usr/bin/env bash
# The x64 MSI under Wine: install, run, uninstall, and a major upgrade from a lower version.
# Usage: InstallerTest.sh EXE VERSION, with wine_up done (WINEPREFIX set). Builds the
# packages from EXE with the same description as scripts/package. Ends with "N passed, N failed".
set -uo pipefail
exe=$1
version=$2
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

package_msi "$exe" "$version" "$work/current.msi" || { echo "0 passed, 1 failed"; exit 1; }
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

remove_every_product
"$WINE64" reg delete "$settings_key" /f >/dev/null 2>&1
rm -f "$log"
echo "$passed passed, $failed failed"
((failed == 0))
