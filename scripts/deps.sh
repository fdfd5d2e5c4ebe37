#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/deps.sh [run|test]
set -euo pipefail
kind=${1:-test}
pkgs=(qt6-base-dev libgl-dev cmake g++ ninja-build libjpeg-dev fonts-wqy-microhei libqt6sql6-sqlite libqt6sql6-psql)
if [ "$kind" = test ]; then
  pkgs+=(libgtest-dev lrzsz dpkg-dev lintian clang libclang-rt-dev libfuzzer-14-dev postgresql)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
