#!/usr/bin/env bash
# Installs a build into a temporary root and checks that it holds exactly the expected
# files and that the installed programs run; with --deb, also builds the Debian package.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build_dir" --prefix /usr >/dev/null
(cd "$root" && find . -type f -o -type l | sed 's|^\./|/|' | sort) >"$root.files"
if ! diff -u "$source_dir/packaging/install-manifest.txt" "$root.files"; then
    echo "The install tree differs from packaging/install-manifest.txt" >&2
    rm -f "$root.files"
    exit 1
fi
rm -f "$root.files"

version=$(sed -n 's/^project(ymodem-burner VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for program in ymodem-send ymodem-devsim; do
    [ -x "$root/usr/bin/$program" ] || continue
    out=$("$root/usr/bin/$program" --version)
    echo "$out"
    grep -q "$version" <<<"$out" || { echo "$program --version does not say $version" >&2; exit 1; }
done

if [ "${2:-}" = "--deb" ]; then
    (cd "$root" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$root/deb" >/dev/null)
    deb=$(ls "$root"/deb/*.deb)
    dpkg-deb -f "$deb" Package Version Depends
    contents=$(dpkg-deb -c "$deb")
    grep -q './usr/bin/ymodem-burner$' <<<"$contents" || { echo "no ymodem-burner in $deb" >&2; exit 1; }
fi
echo "install tree ok"
