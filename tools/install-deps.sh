#!/usr/bin/env bash
# Installs the Debian packages the build needs; skips what is already present.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libssl-dev liblua5.3-dev lua-filesystem-dev libcurl4-openssl-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk openssl
  # the locale sources from which tests build the reader's zh_CN.UTF-8 and a German locale (localedef)
  locales
  # the fuzz harnesses (tools/fuzz.sh): clang with libFuzzer and the sanitizer runtimes, and llvm-symbolizer
  clang libclang-rt-14-dev llvm
  # screenshots of the desktop under a virtual X server (xvfb-run); keys pressed on that server (XTEST)
  xvfb xauth libxtst6
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
