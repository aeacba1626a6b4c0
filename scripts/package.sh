#!/usr/bin/env bash
# Builds the Debian package build/package/quorvel_<version>_amd64.deb and checks it.
#   bash scripts/package.sh             build and check
#   bash scripts/package.sh --install   then also install it, start the installed program on a
#                                       desktop, and remove it again (as root; CI does this)
# then install it with: apt-get install ./build/package/quorvel_<version>_amd64.deb
#
# The `package` preset is a release build installed under /usr, without tests, benchmarks or
# fuzz targets; CPack makes the .deb and dpkg-shlibdeps lists the libraries it links. The
# checks below all run and all report (scripts/lib/checks.sh), and the script fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/stages.sh
source scripts/lib/checks.sh
stage_log_own

round_trip=0
case "${1:-}" in
  --install) round_trip=1 ;;
  "") ;;
  *)
    echo "usage: scripts/package.sh [--install]" >&2
    exit 2
    ;;
esac

# dpkg-shlibdeps, lintian and the validators of the desktop entry and metainfo are in the list.
bash scripts/install-deps.sh >/dev/null

read -r version <VERSION
deb="build/package/quorvel_${version}_amd64.deb"
app_id=org.quorvel.Quorvel

build_package() {
  cmake --preset package >/dev/null
  cmake --build --preset package -- -j"$(nproc)"
  rm -f build/package/quorvel_*.deb
  (cd build/package && cpack -G DEB >/dev/null)
  [ -f "$deb" ] || { echo "package.sh: $deb was not made" >&2 && return 1; }
}
timed "package: release build and .deb" build_package

# The package unpacked, and what the checks wrote, stay for whoever reads a failure.
work="$PWD/build/package/checks"
rm -rf "$work"
mkdir -p "$work"
root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"

# --- the checks of the .deb, each a function that says what is wrong ---

entry_validates_without_hints() {
  desktop-file-validate "$root/usr/share/applications/$app_id.desktop" >"$work/dfv" 2>&1 || true
  if [ -s "$work/dfv" ]; then cat "$work/dfv" && return 1; fi
}

metainfo_validates() {
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
}

holds_its_files() {
  local missing=0 f
  for f in \
    ./usr/bin/quorvel \
    ./usr/share/quorvel/click.wav \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/metainfo/$app_id.metainfo.xml" \
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "./usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "./usr/share/icons/hicolor/128x128/apps/$app_id.png" \
    "./usr/share/icons/hicolor/256x256/apps/$app_id.png" \
    ./usr/share/man/man1/quorvel.1.gz \
    ./usr/share/doc/quorvel/copyright \
    ./usr/share/doc/quorvel/changelog.gz \
    ./usr/share/doc/quorvel/codebook.md \
    ./usr/share/doc/quorvel/analysis.md \
    ./usr/share/lintian/overrides/quorvel; do
    grep -qxF "$f" "$work/contents" || { echo "missing: $f" && missing=1; }
  done
  return "$missing"
}

holds_no_build_or_test_files() {
  if grep -E '\.(h|a)$|/include/|_test$|_bench$' "$work/contents"; then return 1; fi
}

files_are_the_sources() {
  local differ=0
  cmp "$root/usr/share/quorvel/click.wav" assets/click.wav || differ=1
  cmp "$root/usr/share/doc/quorvel/copyright" packaging/copyright || differ=1
  cmp "$root/usr/share/doc/quorvel/codebook.md" docs/codebook.md || differ=1
  gzip -dc "$root/usr/share/doc/quorvel/changelog.gz" >"$work/changelog"
  cmp "$work/changelog" packaging/changelog || differ=1
  gzip -dc "$root/usr/share/man/man1/quorvel.1.gz" >"$work/quorvel.1"
  cmp "$work/quorvel.1" packaging/quorvel.1 || differ=1
  return "$differ"
}

# A new data folder gets its click.wav from where the package puts it.
program_looks_in_usr_share_quorvel() {
  grep -qaF /usr/share/quorvel "$root/usr/bin/quorvel"
}

# The desktop entry, the icon and the program's own name for its windows are one name.
entry_icon_and_program_agree() {
  local entry="$root/usr/share/applications/$app_id.desktop" ok=0
  grep -qxF "Icon=$app_id" "$entry" || { echo "the entry's Icon is not $app_id" && ok=1; }
  grep -qxF "StartupWMClass=quorvel" "$entry" ||
    { echo "the entry does not name the window class quorvel" && ok=1; }
  grep -qaF "$app_id" "$root/usr/bin/quorvel" ||
    { echo "the program does not name its desktop entry $app_id" && ok=1; }
  return "$ok"
}

fields_are_right() {
  local ok=0
  [ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || { echo "package name" && ok=1; }
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "version is not $version" && ok=1; }
  [ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || { echo "architecture" && ok=1; }
  return "$ok"
}

depends_at_run_time_only() {
  local depends names p ok=0
  depends="$(dpkg-deb -f "$deb" Depends)"
  echo "Depends: $depends"
  names="$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')"
  # No compiler, no development headers, no test or benchmark library.
  if grep -E -- '-dev$|^(gcc|g\+\+|cpp|clang|cmake|ninja-build|build-essential)(-[0-9.]+)?$|gtest|gmock|benchmark' <<<"$names"; then
    echo "build or test dependencies (above)"
    ok=1
  fi
  for p in libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins qt6-wayland \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-noto-cjk libgl1-mesa-dri; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || { echo "Depends lacks $p" && ok=1; }
  done
  return "$ok"
}

# The version is written once (VERSION); the pages that name it must say the same.
pages_name_this_version() {
  local ok=0 logged
  logged="$(dpkg-parsechangelog -l packaging/changelog -S Version)"
  [ "$logged" = "$version" ] || { echo "packaging/changelog's latest entry is $logged" && ok=1; }
  grep -qF "\"Quorvel $version\"" packaging/quorvel.1 ||
    { echo "packaging/quorvel.1's title does not say Quorvel $version" && ok=1; }
  grep -qF "<release version=\"$version\"" packaging/$app_id.metainfo.xml ||
    { echo "the metainfo has no release $version" && ok=1; }
  return "$ok"
}

# Debian's own checker, on what a package's users read first: the copyright file (machine
# readable), the changelog and the manual page. Any error or warning fails.
lintian_finds_nothing() {
  lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
  if grep -qE '^[EW]: ' "$work/lintian"; then cat "$work/lintian" && return 1; fi
}

run_checks() {
  echo "== checks of $deb"
  check "desktop entry validates, without hints" entry_validates_without_hints
  check "AppStream metadata validates" metainfo_validates
  check "the package holds its files" holds_its_files
  check "no headers, static libraries or test programs" holds_no_build_or_test_files
  check "click.wav, copyright, codebook, changelog and manual page are the sources'" \
    files_are_the_sources
  check "the program takes click.wav from /usr/share/quorvel" program_looks_in_usr_share_quorvel
  check "desktop entry, icon and window class agree" entry_icon_and_program_agree
  check "name, version $version, architecture" fields_are_right
  check "depends on run-time packages only" depends_at_run_time_only
  check "changelog, manual page and metainfo name version $version" pages_name_this_version
  check "lintian: no errors or warnings" lintian_finds_nothing
  checks_report
}
timed "package: check the .deb" run_checks

echo "== $deb: $(du -k "$deb" | cut -f1) KiB, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"

if [ "$round_trip" -eq 1 ]; then
  timed "package: install, start, remove" bash scripts/package-round-trip.sh "$deb"
fi
