#!/usr/bin/env bash
# Cross-builds Quorvel for 64-bit Windows on this Debian machine and packs
# build/windows/quorvel-<version>-windows-x64.zip: quorvel.exe, the Qt and MinGW runtime DLLs,
# the windows platform and style plugins, click.wav, README-windows.txt and the codebook; and
# the installer build/windows/quorvel-<version>-setup.exe with the same files.
# The tests are built beside it (build/windows/build); scripts/windows/test.sh runs them under
# Wine. The Windows Qt comes from scripts/windows/build-qt.sh, which builds it first when it is
# not cached (30-40 minutes once); GoogleTest is cross-built from Debian's googletest source
# (the googletest package's /usr/src/googletest).
set -euo pipefail
cd "$(dirname "$0")/../.."
repo="$PWD"
source scripts/lib/stages.sh
stage_log_own
out="$repo/build/windows"
mkdir -p "$out"

source scripts/windows/packages.sh
timed "install: Windows cross tools and Wine" bash scripts/install-deps.sh "${windows_packages[@]}"

timed "Windows: Qt (cached, prebuilt or built)" \
  bash -c 'bash scripts/windows/build-qt.sh >"$1"' _ "$out/qt-prefix.txt"
qt="$(tail -n 1 "$out/qt-prefix.txt")"

# GoogleTest, static, with the same compilers.
gtest="$out/googletest"
build_gtest() {
  if [ ! -f "$gtest/.complete" ]; then
    echo "== GoogleTest for Windows"
    rm -rf "$gtest" "$out/googletest-build"
    cmake -G Ninja -S /usr/src/googletest -B "$out/googletest-build" \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$gtest" -DBUILD_SHARED_LIBS=OFF >/dev/null
    cmake --build "$out/googletest-build" --parallel "$(nproc)" >/dev/null
    cmake --install "$out/googletest-build" >/dev/null
    touch "$gtest/.complete"
  fi
}
timed "Windows: GoogleTest" build_gtest

# The MinGW runtime DLLs, packed beside quorvel.exe (scripts/windows/wine-run.sh, the test
# runner's emulator, puts the same folders on Wine's path).
mingw_dlls=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
pthread_dlls=/usr/x86_64-w64-mingw32/lib

echo "== Quorvel for Windows: configure and build"
build_quorvel() {
  cmake -G Ninja -S "$repo" -B "$out/build" \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON -DQUORVEL_BENCH=OFF \
    -DGTest_DIR="$gtest/lib/cmake/GTest" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$repo/scripts/windows/wine-run.sh" >/dev/null
  cmake --build "$out/build" --parallel "$(nproc)"
}
timed "Windows: build Quorvel and its tests" build_quorvel

pack() {
  echo "== packing"
  read -r version <VERSION
  name="quorvel-$version-windows-x64"
  stage="$out/stage/$name"
  rm -rf "$out/stage" "$out/$name.zip"
  mkdir -p "$stage/platforms" "$stage/styles"
  cp "$out/build/src/quorvel.exe" "$stage/"
  x86_64-w64-mingw32-strip "$stage/quorvel.exe"
  for lib in Core Gui Widgets OpenGL OpenGLWidgets; do cp "$qt/bin/Qt6$lib.dll" "$stage/"; done
  cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
  cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
  cp "$mingw_dlls/libstdc++-6.dll" "$mingw_dlls/libgcc_s_seh-1.dll" \
    "$pthread_dlls/libwinpthread-1.dll" "$stage/"
  # Debugging symbols are of no use to a lab and make up most of the DLLs' size.
  x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.dll "$stage"/*/*.dll
  cp assets/click.wav "$stage/"
  # Windows users read them in Notepad: CR LF line ends. The codebook says what every column
  # of every file means; the analysis recipe how to read them.
  sed 's/$/\r/' packaging/windows/README-windows.txt >"$stage/README-windows.txt"
  sed 's/$/\r/' docs/codebook.md >"$stage/codebook.md"
  sed 's/$/\r/' docs/analysis.md >"$stage/analysis.md"

  # Every DLL that the program and its plugins load must be in the folder or be Windows' own.
  missing=0
  for f in "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
      # api-ms-win-* names are Windows' API sets, resolved by its loader, never files to ship.
      case "${dll,,}" in api-ms-win-* | ext-ms-win-*) continue ;; esac
      if [ ! -f "$stage/$dll" ] && [ ! -f "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/${dll,,}" ]; then
        echo "packing: $(basename "$f") needs $dll, which is neither packed nor part of Windows" >&2
        missing=1
      fi
    done
  done
  [ "$missing" -eq 0 ] || exit 1

  (cd "$out/stage" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
  echo "== $out/$name.zip: $(du -k "$out/$name.zip" | cut -f1) KiB"
}
timed "Windows: pack the zip" pack

# The installer, from the same folder as the zip (packaging/windows/quorvel.nsi says what it
# does). makensis gets the staged files as a list of install and uninstall commands.
make_installer() {
  echo "== installer"
  read -r version <VERSION
  local name="quorvel-$version-windows-x64" setup="$out/quorvel-$version-setup.exe"
  local stage="$out/stage/$name" list="$out/stage/files.nsh" f dir
  local version4
  version4="$(printf '%s' "$version" | awk -F. '{ printf "%d.%d.%d.%d", $1, $2, $3, $4 }')"
  rm -f "$setup"
  {
    echo '!ifdef INSTALL_FILES'
    for dir in "" $(cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort); do
      echo "  SetOutPath \"\$INSTDIR${dir:+\\${dir//\//\\}}\""
      for f in $(cd "$stage/$dir" && find . -maxdepth 1 -type f -printf '%P\n' | sort); do
        echo "  File \"$stage/${dir:+$dir/}$f\""
      done
    done
    echo '!else'
    for f in $(cd "$stage" && find . -type f -printf '%P\n' | sort); do
      echo "  Delete \"\$INSTDIR\\${f//\//\\}\""
    done
    for dir in $(cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort -r); do
      echo "  RMDir \"\$INSTDIR\\${dir//\//\\}\""
    done
    echo '!endif'
  } >"$list"
  makensis -V2 -DVERSION="$version" -DVERSION4="$version4" \
    -DICON="$repo/packaging/windows/quorvel.ico" -DFILES="$list" -DOUTFILE="$setup" \
    packaging/windows/quorvel.nsi
  echo "== $setup: $(du -k "$setup" | cut -f1) KiB"
}
timed "Windows: make the installer" make_installer
