#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, and then starts the editor
# (./build.sh run) or runs the tests (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

usage() { echo "usage: $0 [run|test]" >&2; }

mode=${1:-run}
case "$mode" in
run | test) ;;
-h | --help) usage; exit 0 ;;
*) echo "$0: unknown mode '$mode'" >&2; usage; exit 2 ;;
esac
build_dir=${BUILD_DIR:-build}

# libxkbcommon-dev only keeps Qt's configure step from reporting XKB missing;
# file is what cpack's dpkg-shlibdeps step uses to find the binaries; the text tool
# reads fonts with FreeType and offers the fixed fonts of xfonts-base.
packages=(cmake g++ make qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libbenchmark-dev
          fonts-dejavu-core qt6-serialport-dev libqt6serialport6 libgif-dev libxkbcommon-dev
          gcc-avr avr-libc binutils-avr simavr libsimavr-dev dpkg-dev file libfreetype-dev
          xfonts-base)
# What the tests use: the package's data files are checked with these, the network
# outputs against the Open Lighting Architecture's daemon (ola), the receivers in network
# namespaces of their own made with ip (iproute2); each one is checked, not skipped.
test_packages=(desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin groff-base
               systemd mandoc appstream ola iproute2)

wanted=("${packages[@]}")
[[ $mode == test ]] && wanted+=("${test_packages[@]}")
missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        if ! command -v sudo >/dev/null; then
            echo "$0: these Debian packages are missing and there is no sudo to install them:" >&2
            echo "    ${missing[*]}" >&2
            echo "Install them as root, then run $0 $mode again:" >&2
            echo "    su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"

case "$mode" in
run)
    if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
        echo "$0: built $build_dir/src/quentaro; the editor needs a graphical session (no DISPLAY or WAYLAND_DISPLAY here)," >&2
        echo "    while 'quentaro --play FILE' and 'quentaro --export OUT IN.led' run without one." >&2
        exit 1
    fi
    exec "$build_dir/src/quentaro"
    ;;
test) cd "$build_dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" ;;
esac
