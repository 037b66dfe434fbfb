#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those
# that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache lld
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libbz2-dev liblzma-dev libgc-dev libboost-regex-dev
  # tools that make and check the test fixtures
  xz-utils bzip2 ntfs-3g dosfstools mtools e2fsprogs fdisk gdisk
  parted
  # the windowed programs: Qt 6 Widgets, image formats, translations, and
  # the fonts the interface and its tests use (Latin and CJK)
  qt6-base-dev qt6-image-formats-plugins qt6-l10n-tools qt6-tools-dev-tools
  qt6-translations-l10n fonts-dejavu-core fonts-noto-cjk
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "These packages are missing: ${missing[*]}" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
