#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quorvel needs, and any
# named as arguments, and only those that are missing. Safe to run again; needs root (or sudo).
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build clang-format pkg-config
  # fuzzing: clang with libFuzzer and the sanitizer runtimes (the `fuzz` preset)
  clang libclang-rt-14-dev
  # Qt 6: widgets, OpenGL, multimedia (click sound), test library, ICU for CP932
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-multimedia-dev
  # Qt Linguist's tools: lrelease compiles translations/*.ts (qt_add_translations)
  qt6-tools-dev qt6-l10n-tools
  libgl-dev libegl-dev
  # X11 client library: whether a window manager runs
  libxcb1-dev
  # tests and benchmarks; stress-ng makes the busy machine of the timing benchmarks
  libgtest-dev libgmock-dev stress-ng
  # a real X display for the window tests, with Mesa's software OpenGL
  xvfb xauth libgl1-mesa-dri libglx-mesa0 mesa-utils x11-utils
  # the desktops labs use, for the window tests: a stacking window manager, and a Wayland
  # compositor with Qt's Wayland platform (weston-screenshooter reads its screen)
  openbox weston qt6-wayland libwayland-egl1 libegl-mesa0
  # the window managers of the common desktops, each on X11 (Xfce's xfwm4, GNOME's mutter,
  # KDE's kwin with breeze, without which it draws no title bars) and mutter as GNOME's
  # Wayland compositor too; they talk to a session bus of their own (dbus-send asks it whether
  # mutter's services are up)
  xfwm4 mutter kwin-x11 breeze dbus-daemon dbus-bin
  # mutter's screen, read by the tests through its screen cast: PipeWire with its session
  # manager, GStreamer's PipeWire source and command line, and Debian's Python D-Bus bindings
  pipewire wireplumber gstreamer1.0-pipewire gstreamer1.0-tools python3-dbus python3-gi
  # real keyboard and pointer input through the X server, for the real-input test
  xdotool
  # multimedia backend plugins so QSoundEffect can load
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # a Japanese face for the kana labels and the dialogs
  fonts-noto-cjk
  # the analysis recipe's pandas code (docs/analysis.md), run by its test on a real run's files
  python3 python3-pandas
  # the Debian package and its checks (scripts/package.sh, run by CI): dpkg-shlibdeps and
  # dpkg-parsechangelog, the validators of the desktop entry and the AppStream metadata, lintian
  dpkg-dev desktop-file-utils appstream lintian
)
# A caller may need a few more (scripts/windows/build.sh: the cross compilers, Wine, NSIS).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another apt (an unattended upgrade, a second script) may hold dpkg's lock: wait for it, up to
# ten minutes, rather than failing at once.
lock_wait=(-o DPkg::Lock::Timeout=600)
$SUDO apt-get "${lock_wait[@]}" update -qq
$SUDO apt-get "${lock_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
