#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: every
# file in its place, the icons at their sizes, and the desktop entry and
# metainfo as their own validators see them, and the release histories
# reaching the version being built.
#   installed-files.sh BUILD_DIR PREFIX APPSTREAM_ID VERSION
set -euo pipefail
build="$1" prefix="$2" id="$3" version="$4"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() { echo "FAIL: $*"; failed=1; }

for f in bin/vanto-port-test bin/vanto-controller-sim \
    share/applications/vanto-port-test.desktop \
    "share/metainfo/$id.metainfo.xml" \
    share/icons/hicolor/scalable/apps/vanto-port-test.svg \
    share/man/man1/vanto-port-test.1.gz share/man/man1/vanto-controller-sim.1.gz \
    share/doc/vanto-port-test/README.md share/doc/vanto-port-test/copyright \
    share/doc/vanto-port-test/changelog.gz \
    share/vanto-port-test/procedures/science-port-acceptance.toml; do
    [ -s "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/vanto-port-test" ] || fail "bin/vanto-port-test is not executable"

for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/vanto-port-test.png"
    file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "$png: $(file -b "$png")"
done

doc="$prefix/share/doc/vanto-port-test"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$doc/copyright" || fail "copyright is not in the machine-readable format"

logged=$(zcat "$doc/changelog.gz" | sed -n '1s/^vanto-port-test (\([^)]*\)).*/\1/p' || true)
[ "$logged" = "$version" ] || fail "changelog's last entry is '$logged', not $version"
released=$(grep -m1 -o '<release version="[^"]*"' "$prefix/share/metainfo/$id.metainfo.xml" | cut -d'"' -f2 || true)
[ "$released" = "$version" ] || fail "metainfo's last release is '$released', not $version"

echo "desktop-file-validate:"
desktop-file-validate "$prefix/share/applications/vanto-port-test.desktop" || fail "desktop-file-validate"
echo "appstreamcli validate --strict:"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
echo "appstreamcli validate-tree:"
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"

[ "$failed" -eq 0 ] && echo "installed files: all checks passed"
exit "$failed"
