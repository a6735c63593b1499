#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools this machine lacks.
# Usage: scripts/setup.sh [run|test]   (run needs fewer packages than test)
set -euo pipefail
purpose="${1:-test}"

packages=(cmake make g++ g++-mingw-w64-x86-64-posix wine64 googletest)
if [ "$purpose" = test ]; then
    packages+=(libbenchmark-dev xvfb xauth clang libclang-rt-14-dev strace nsis unzip python3
               osslsigncode openssl dpkg-dev lintian man-db zsh fish git openssh-client)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
