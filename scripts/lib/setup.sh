# Sourced by the scripts: installs what a fresh Debian machine lacks, and finds Wine.
# shellcheck shell=bash

lumvo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

lumvo_need_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq >&2 || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2 || return 1
  fi
}

lumvo_setup() {
  lumvo_need_packages cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev libssl-dev \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
    wine64 xvfb xauth imagemagick fonts-wqy-microhei fonts-wqy-zenhei locales python3 \
    clang libclang-rt-dev || return 1
  # Wine takes its code page from the locale: zh_CN gives 936 (GBK), en_US 1252; both must exist.
  local loc missing_locale=0
  for loc in zh_CN en_US; do
    locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$" && continue
    missing_locale=1
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  if [ "$missing_locale" -eq 1 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo locale-gen >/dev/null || return 1
  fi
}

# The wine64 launcher of Debian's package is not on PATH.
lumvo_wine64() {
  local w
  for w in /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)"; do
    [ -n "$w" ] && [ -x "$w" ] && { echo "$w"; return 0; }
  done
  return 1
}

lumvo_build() {  # lumvo_build PRESET...
  local preset
  for preset in "$@"; do
    cmake --preset "$preset" -S "$lumvo_root" >/dev/null || return 1
    cmake --build --preset "$preset" || return 1
  done
}
