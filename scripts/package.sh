#!/usr/bin/env bash
# Builds the Debian package: build/package/quorvel_<version>_amd64.deb.
#   bash scripts/package.sh
# then install it with: apt-get install ./build/package/quorvel_<version>_amd64.deb
#
# The `package` preset is a release build installed under /usr, without tests, benchmarks or
# fuzz targets; CPack makes the .deb and dpkg-shlibdeps lists the libraries it links. The
# script then checks what it made: the desktop entry and the AppStream metadata validate, the
# package holds the files a desktop needs, and it depends on no compiler or test library.
# Not part of scripts/test.sh: the release build takes a while.
set -euo pipefail
cd "$(dirname "$0")/.."

# Beyond the build: dpkg-shlibdeps, and the validators of the desktop entry and metainfo.
bash scripts/install-deps.sh dpkg-dev desktop-file-utils appstream

cmake --preset package >/dev/null
cmake --build --preset package -- -j"$(nproc)"
rm -f build/package/quorvel_*.deb
(cd build/package && cpack -G DEB)

version="$(sed -n 's/^project(Quorvel VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)"
deb="build/package/quorvel_${version}_amd64.deb"
[ -f "$deb" ] || { echo "package.sh: $deb was not made" >&2; exit 1; }

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

echo "== desktop entry and AppStream metadata"
desktop-file-validate packaging/org.quorvel.Quorvel.desktop
appstreamcli validate --no-net packaging/org.quorvel.Quorvel.metainfo.xml

echo "== contents"
contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in \
  ./usr/bin/quorvel \
  ./usr/share/quorvel/click.wav \
  ./usr/share/applications/org.quorvel.Quorvel.desktop \
  ./usr/share/metainfo/org.quorvel.Quorvel.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/org.quorvel.Quorvel.svg \
  ./usr/share/icons/hicolor/48x48/apps/org.quorvel.Quorvel.png \
  ./usr/share/icons/hicolor/128x128/apps/org.quorvel.Quorvel.png \
  ./usr/share/icons/hicolor/256x256/apps/org.quorvel.Quorvel.png \
  ./usr/share/man/man1/quorvel.1.gz; do
  grep -qxF "$f" <<<"$contents" || fail "$f is missing from $deb"
done
# Only the program and its desktop files: no headers, static libraries or test programs.
if grep -E '\.(h|a)$|/include/|_test$|_bench$' <<<"$contents"; then
  fail "$deb holds build or test files (above)"
fi
cmp -s <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/quorvel/click.wav) assets/click.wav ||
  fail "click.wav in $deb differs from assets/click.wav"

# A new data folder gets its click.wav from where the package puts it.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/quorvel | grep -qaF /usr/share/quorvel ||
  fail "quorvel does not look for click.wav in /usr/share/quorvel"

echo "== fields"
[ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture"
depends="$(dpkg-deb -f "$deb" Depends)"
# Runtime only: no compiler, no development headers, no test or benchmark library.
names="$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')"
if grep -E -- '-dev$|^(gcc|g\+\+|cpp|clang|cmake|ninja-build|build-essential)(-[0-9.]+)?$|gtest|gmock|benchmark' <<<"$names"; then
  fail "build or test dependencies (above)"
fi
for p in libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins qt6-wayland gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good fonts-noto-cjk libgl1-mesa-dri; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p"
done

echo "== $deb: $(du -k "$deb" | cut -f1) KiB, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"
