# Shared by scripts/package and the installer test: the MSI from one worktally.exe.
# Usage: source it, then package_msi EXE VERSION OUT.MSI

package_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

package_msi() {
    local exe=$1 version=$2 out=$3 stage rc=0
    stage=$(mktemp -d)
    # wixl looks its sources up relative to the working folder, never by an absolute path.
    cp "$exe" "$stage/worktally.exe"
    cp "$package_root/src/res/worktally.ico" "$package_root/LICENSE" "$stage/"
    (cd "$stage" && wixl -a x64 -D Version="$version" -D Exe=worktally.exe \
        -D Icon=worktally.ico -D License=LICENSE -o package.msi \
        "$package_root/installer/worktally.wxs" >wixl.log 2>&1) || rc=$?
    if ((rc == 0)); then
        mv "$stage/package.msi" "$out"
    else
        cat "$stage/wixl.log" >&2
    fi
    rm -rf "$stage"
    return "$rc"
}

# A version below x.y.z, for a package that an upgrade replaces (Windows Installer allows up
# to 255.255.65535).
lower_version() {
    local major minor patch
    IFS=. read -r major minor patch <<<"$1"
    if ((patch > 0)); then echo "$major.$minor.$((patch - 1))"
    elif ((minor > 0)); then echo "$major.$((minor - 1)).65535"
    else echo "$((major - 1)).255.65535"
    fi
}
