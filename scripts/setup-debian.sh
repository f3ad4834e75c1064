#!/usr/bin/env bash
# Installs what building, running and testing Mirvola need on Debian 12.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libqt6svg6 qt6-translations-l10n
          libsqlite3-dev sqlite3 libgtest-dev libbenchmark-dev fonts-dejavu-core
          qt6-charts-dev mdbtools-dev mdbtools poppler-utils
          desktop-file-utils appstream   # the package's files are validated
          libreoffice-calc-nogui python3-openpyxl)  # the tests open CSV exports in a spreadsheet
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
