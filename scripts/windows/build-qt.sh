#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (qtbase: Core, Gui, Widgets, OpenGL, OpenGLWidgets, Test, the
# windows platform plugin and the windowsvista style) from Debian's qt6-base source with the
# MinGW-w64 cross compilers, and installs it into a cache outside the clone, keyed by the Qt
# version. A cache whose stamp matches is reused as it is; the stamp is written only after a
# complete install, so a build that was killed is never taken for a finished one (it resumes
# where it stopped on the next run).
# A prebuilt install made by this script unchanged (a tarball of the install folder, by default
# ../shared/cache/qt-6.4.2-mingw64.tar.xz beside the clone) is unpacked instead of building when
# it can be used as it is: its sha256 is the one below, its stamp equals build_rev, and the
# install prefix is the one it was made at (its CMake files name that prefix). Otherwise Qt is
# built from source, as always.
# Prints the install prefix as its last line. Building takes 30-40 minutes on two cores;
# unpacking the prebuilt install, under a minute.
# Environment: QUORVEL_WIN_CACHE overrides the cache folder (default /var/cache/quorvel as root,
# else ~/.cache/quorvel); QUORVEL_JOBS the parallel jobs (default: the number of cores);
# QUORVEL_QT_PREBUILT the prebuilt tarball (a path that does not exist means: always build).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"

qt_version=6.4.2
deb_version=6.4.2+dfsg
# What the stamp records: a change here (options, patch) builds the cache again.
build_rev="r2 sql,network,printsupport,dbus off; no direct2d plugin; wintab out"

if [ "$(id -u)" -eq 0 ]; then SUDO=""; default_cache=/var/cache/quorvel; else
  SUDO="sudo"; default_cache="$HOME/.cache/quorvel"; fi
cache="${QUORVEL_WIN_CACHE:-$default_cache}"
prefix="$cache/qt-$qt_version-mingw64"
stamp="$prefix/.quorvel-complete"
jobs="${QUORVEL_JOBS:-$(nproc)}"

# The prebuilt install: where it is, what it must be, and the one prefix it works at.
prebuilt="${QUORVEL_QT_PREBUILT:-$repo/../shared/cache/qt-$qt_version-mingw64.tar.xz}"
prebuilt_sha256=00a1f009ebd77e459d8e6d7d18a7ac5f33197454c31ea8b54385de4964d26a40
prebuilt_prefix=/var/cache/quorvel/qt-$qt_version-mingw64

cached() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$build_rev" ]; }

# Unpacks the prebuilt install into place, or says why not and returns non-zero. The tarball is
# unpacked beside the prefix and renamed into it only once its stamp is checked, so a kill
# leaves either the old state or the whole install.
unpack_prebuilt() {
  if [ ! -f "$prebuilt" ]; then
    echo "build-qt: no prebuilt Qt at $prebuilt" >&2
    return 1
  fi
  if [ "$prefix" != "$prebuilt_prefix" ]; then
    echo "build-qt: the prebuilt Qt works only at $prebuilt_prefix, not at $prefix" >&2
    return 1
  fi
  if [ "$(sha256sum <"$prebuilt" | cut -d' ' -f1)" != "$prebuilt_sha256" ]; then
    echo "build-qt: $prebuilt is not the prebuilt Qt this script knows (sha256 differs)" >&2
    return 1
  fi
  local tmp
  mkdir -p "$cache"
  tmp="$(mktemp -d "$cache/.unpack-XXXXXX")"
  echo "build-qt: unpacking the prebuilt Qt from $prebuilt" >&2
  if ! tar -xJf "$prebuilt" -C "$tmp"; then
    rm -rf "$tmp"
    echo "build-qt: $prebuilt could not be unpacked" >&2
    return 1
  fi
  local got
  got="$(cat "$tmp/qt-$qt_version-mingw64/.quorvel-complete" 2>/dev/null || true)"
  if [ "$got" != "$build_rev" ]; then
    rm -rf "$tmp"
    echo "build-qt: the prebuilt Qt was made as '$got', this script builds '$build_rev'" >&2
    return 1
  fi
  rm -rf "$prefix"
  mv "$tmp/qt-$qt_version-mingw64" "$prefix" || { rm -rf "$tmp"; return 1; }
  rm -rf "$tmp"
  # As when building: the toolchain file beside the install is the clone's.
  cp "$repo/cmake/mingw-w64.cmake" "$prefix/mingw-w64.cmake"
}

if cached; then
  echo "build-qt: cached Qt $qt_version for Windows in $prefix" >&2
  echo "$prefix"
  exit 0
fi
if unpack_prebuilt && cached; then
  echo "build-qt: prebuilt Qt $qt_version for Windows in $prefix" >&2
  echo "$prefix"
  exit 0
fi
echo "build-qt: building Qt $qt_version for Windows from source" >&2

# What building it takes: the cross compilers, the host Qt tools of the same version (moc, rcc,
# uic run on this machine) and dpkg-dev for apt-get source.
bash "$repo/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  dpkg-dev xz-utils perl >&2

# Debian's source packages: one deb-src entry for bookworm main, added once.
src_list=/etc/apt/sources.list.d/quorvel-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
  ! grep -qs '^deb-src .*bookworm main' /etc/apt/sources.list; then
  echo "build-qt: adding a deb-src entry for bookworm main ($src_list)" >&2
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    $SUDO tee "$src_list" >/dev/null
  $SUDO apt-get update -qq
fi

work="$cache/build-qt-$qt_version"
mkdir -p "$cache/src" "$work"
tarball="$cache/src/qt6-base_$deb_version.orig.tar.xz"
if [ ! -f "$tarball" ]; then
  echo "build-qt: fetching Debian's qt6-base source" >&2
  (cd "$cache/src" && { apt-get source --download-only qt6-base >&2 ||
    { $SUDO apt-get update -qq && apt-get source --download-only qt6-base >&2; }; })
fi

src="$work/qtbase-everywhere-src-$qt_version"
if [ ! -f "$work/.extracted" ]; then
  rm -rf "$src"
  echo "build-qt: unpacking the source" >&2
  tar -xf "$tarball" -C "$work"
  # Debian's source leaves out the third-party Wintab header, so the windows platform plugin is
  # built without its tablet code: a pen then arrives as mouse input, like a finger on a
  # touch screen that is not a digitizer.
  winplugin="$src/src/plugins/platforms/windows"
  sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION OFF/' "$winplugin/CMakeLists.txt"
  sed -i 's/QT_CONFIG(tabletevent)/0/' "$winplugin/qwindowscontext.cpp" \
    "$winplugin/qwindowspointerhandler.cpp" "$winplugin/qwindowspointerhandler.h"
  touch "$work/.extracted"
fi

# The toolchain file is copied beside the install: Qt's own toolchain file refers to it, and the
# cache must not depend on where this clone lies.
mkdir -p "$prefix"
cp "$repo/cmake/mingw-w64.cmake" "$prefix/mingw-w64.cmake"

echo "build-qt: configuring" >&2
cmake -G Ninja -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF \
  `# Direct2D stays on for Gui (its DirectWrite font database needs it); only the direct2d` \
  `# platform plugin, which needs Direct2D 1.1 and which Quorvel does not use, is left out.` \
  -DFEATURE_direct2d=ON -DFEATURE_direct2d1_1=OFF >"$work/configure.log" 2>&1 ||
  { tail -40 "$work/configure.log" >&2; exit 1; }

echo "build-qt: building with $jobs jobs (log: $work/build.log)" >&2
start=$(date +%s)
if ! cmake --build "$work/build" --parallel "$jobs" >"$work/build.log" 2>&1; then
  tail -60 "$work/build.log" >&2
  exit 1
fi
cmake --install "$work/build" >"$work/install.log" 2>&1 ||
  { tail -40 "$work/install.log" >&2; exit 1; }
echo "build-qt: built and installed in $(($(date +%s) - start)) s" >&2

echo "$build_rev" >"$stamp"
rm -rf "$work"
echo "$prefix"
