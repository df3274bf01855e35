#!/usr/bin/env bash
# Installs a build into a temporary root and checks that it holds exactly the expected
# files and that the installed programs run; with --deb, also builds the Debian package and
# its debug package and runs lintian, appstreamcli and desktop-file-validate on them.
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
    dbgsym=$(ls "$root"/deb/*.ddeb)
    dpkg-deb -f "$deb" Package Version Depends
    contents=$(dpkg-deb -c "$deb")
    grep -q './usr/bin/ymodem-burner$' <<<"$contents" || { echo "no ymodem-burner in $deb" >&2; exit 1; }

    # Debian's own checks: any error or warning fails; info tags are shown, not fatal.
    echo "lintian:"
    status=0
    out=$(lintian --fail-on error,warning --display-info "$deb" "$dbgsym" 2>&1) || status=$?
    grep -v '^running with root privileges' <<<"$out" || true
    [ "$status" -eq 0 ] || { echo "lintian found errors or warnings" >&2; exit 1; }
    echo "lintian: no errors, no warnings"

    # --strict fails on infos too. The component id is the reversed placeholder homepage
    # domain ymodem-burner.invalid, whose top-level domain the validator does not know, so
    # that one hint only is lowered to pedantic.
    echo "appstreamcli validate:"
    appstreamcli validate --no-net --strict --override=cid-maybe-not-rdns=pedantic \
        "$root"/usr/share/metainfo/*.metainfo.xml

    echo "desktop-file-validate:"
    desktop=$root/usr/share/applications/ymodem-burner.desktop
    out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out" >&2; exit 1; }
    [ -z "$out" ] || { echo "$out" >&2; exit 1; }
    echo "desktop-file-validate: no errors, no warnings, no hints"
fi
echo "install tree ok"
