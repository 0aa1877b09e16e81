#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed, so a second call costs a second.
set -eu
pkgs=(cmake ninja-build g++ make pkg-config python3
      clang-format              # make format, make format-check
      qt6-base-dev qt6-multimedia-dev qt6-image-formats-plugins
      qt6-translations-l10n  # Qt's own texts (buttons, file dialogs) in the catalogue's language
      faketime xvfb xauth curl
      libssl-dev openssl
      qtkeychain-qt6-dev dbus gnome-keyring  # passwords in the desktop keyring; its tests use a private session
      radicale python3-bcrypt python3-caldav # calendar sync tests: a real CalDAV server and another client
      libical-dev               # iCalendar import and export
      python3-icalendar python3-recurring-ical-events  # the independent reader of exported calendars (tests)
      libpython3.11-testsuite   # real-world e-mail messages for the POP3 decoding tests
      desktop-file-utils appstream shared-mime-info  # validating the installed desktop files
      dpkg-dev lintian)         # building (make deb) and checking the Debian package
# --screenshots: the window manager, screen grabs, window driving and a
# plain X program to stand for "another application" (xlogo).
if [ "${1:-}" = "--screenshots" ]; then pkgs+=(icewm imagemagick xdotool x11-apps); fi
# --notifications: a real notification service on a private session bus, and
# a sound server to check where alert sounds go.
if [ "${1:-}" = "--notifications" ]; then pkgs+=(dunst dbus-daemon dbus-bin xvfb faketime pulseaudio pulseaudio-utils); fi
# The established programs the benchmarks measure beside ours (make bench only).
if [ "${1:-}" = "--bench" ]; then pkgs+=(coreutils fetchmail mpop python3 curl xvfb icewm); fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"
