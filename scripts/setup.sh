#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing) and builds the
# program into build/. Sourced by ./run and ./test.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The font shows the Chinese program's texts on a machine that has no CJK font.
PACKAGES=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libgmock-dev zlib1g-dev fonts-wqy-microhei)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# build_tree DIR [extra cmake args...]; BUILD_TARGETS limits what is built.
build_tree() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" >/dev/null
  local targets=()
  [[ -n "${BUILD_TARGETS:-}" ]] && targets=(--target ${BUILD_TARGETS})
  cmake --build "$ROOT/$dir" -j"$(nproc)" "${targets[@]}"
}
