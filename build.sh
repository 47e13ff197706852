#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, and then starts the editor
# (./build.sh run) or runs the tests (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
build_dir=${BUILD_DIR:-build}
packages=(cmake g++ make qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libbenchmark-dev
          fonts-dejavu-core qt6-serialport-dev libqt6serialport6 libgif-dev
          gcc-avr avr-libc binutils-avr simavr libsimavr-dev dpkg-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"

case "$mode" in
run) exec "$build_dir/src/quentaro" ;;
test) cd "$build_dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" ;;
*) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
