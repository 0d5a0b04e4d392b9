#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need.
# Idempotent: when everything is present it only runs dpkg-query and exits.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-image-formats-plugins
  libplist-dev libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
  libmuparser-dev libqalculate-dev qalc bc hyperfine python3
  # Profiling the fuzz targets and benchmarks (perf record).
  linux-perf
  dbus dbus-x11 xvfb xauth libxcb1-dev xclip
  libxcb-xtest0-dev libxcb-xfixes0-dev libxcb-res0-dev
  poppler-utils desktop-file-utils fonts-dejavu-core zip unzip attr
  # The desktop tests (ctest -L gui) and bench/shortcut.sh: real editors (GTK 3, Qt 5, and
  # Writer on LibreOffice's own X11 back end), a window manager, synthetic input, xprop.
  # Writer also reads back the RTF that Add writes.
  mousepad featherpad libreoffice-writer openbox xdotool x11-utils
  # Qt on a Wayland session: without the plugin panels fall back to drawing nowhere.
  qt6-wayland
  # The paste on wlroots compositors: a virtual keyboard client (libwayland, xkbcommon), the
  # data-control clipboard tools, and headless Sway for its tests.
  libwayland-dev libxkbcommon-dev wl-clipboard sway
  # A Wayland-native terminal, to prove that the focused window's app_id tells terminals apart.
  foot
  # The paste on KWin: its fake-input protocol's description, and KWin itself, run headless
  # in the tests.
  plasma-wayland-protocols kwin-wayland
  # The GNOME Shell extension: its schema compiled at build time, its routine tested under
  # gjs, and the whole of it in a headless Shell (ctest -L gui).
  libglib2.0-bin gjs gnome-shell
  # The package's check: lintian on the .deb, and man-db's man and lexgrog on the man page.
  lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ $(id -u) -ne 0 ]]; then
    echo "error: missing packages and not root; run: sudo $0" >&2
    exit 1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
