#!/usr/bin/env bash
# Installs the Debian packages Dalil needs to build, test and run, when any is missing.
set -euo pipefail

packages=(g++ make cmake ninja-build ccache pkg-config
          qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 libicu-dev libical-dev mdbtools-dev libmdb3 qtkeychain-qt6-dev
          fontconfig fonts-noto-core fonts-noto-ui-core fonts-dejavu-core qt6-translations-l10n
          clang libclang-rt-14-dev "$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
