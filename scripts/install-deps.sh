#!/usr/bin/env bash
# Installs the Debian 12 packages Vantrel builds, tests and runs with, when any is missing.
# Safe to run again: it asks apt only when dpkg reports a package absent.
set -euo pipefail

packages=(
  cmake g++ make pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools
  libvips-dev libvips-tools
  libexif-dev libjpeg-dev libdeflate-dev
  # the screen's real pixels asked of X11 (RandR) and Wayland; Qt's Wayland plugin, so a Wayland
  # session runs the program natively rather than through XWayland
  libxcb-randr0-dev libwayland-dev qt6-wayland
  libgtest-dev
  # the layout check that .ci/run makes (scripts/check-format)
  clang-format
  xdg-utils
  # the mail tests' private session bus
  dbus-daemon
  xvfb
  # the Nautilus extension, built against the GTK 4 that Nautilus runs on
  libnautilus-extension-dev libgtk-4-dev
  # make package: dpkg-shlibdeps finds the packages' dependencies (it asks file which files are
  # programs); lintian and desktop-file-validate check the packages in the tests
  dpkg-dev file lintian desktop-file-utils
  # looking at the windows on a real X server: a window manager, real clicks, screenshots
  openbox xdotool imagemagick
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
