#!/bin/sh
# Builds the fuzz targets (the file formats and the bridge packet decoder) with
# clang and libFuzzer and runs each one.
#
#   fuzz/build-and-run.sh [seconds] [target...]
#
# seconds: run time per target, 60 by default. Targets: led, playlist, bridge, font,
# artpoll, native, e131, artnet, ddp, effect (all by default) and image. Work files go to $FUZZ_DIR (default /tmp/quentaro-fuzz): the binaries,
# a corpus per target, and any crash, leak, timeout or OOM input found.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-led playlist bridge font artpoll native e131 artnet ddp effect}
work=${FUZZ_DIR:-/tmp/quentaro-fuzz}
cxx=${CXX_FUZZ:-clang++-14}
cc=${CC_FUZZ:-clang-14}
flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I $root/src/core -I $root/protocol"

seed_led() {
    dir=$1
    frame0=$(i=0; while [ $i -lt 256 ]; do printf ' 0 \r\n'; i=$((i + 1)); done)
    printf '%s' "$frame0" >"$dir/frame"
    printf ' 1 \r\n%s' "$frame0" >"$dir/frame-and-line"
    printf ' 1 \r\n 12 \r\n 255 \r\n 256 \r\n' >"$dir/wide"
    printf '&HFF\r\n&o17\r\n1E2\r\n2.5\r\n-0.5\r\n3.5e-1\r\n' >"$dir/forms"
    printf '1\n2\r\r\n\t+ 7 \rx\0009\r' >"$dir/odd"
}

# The effects' parameters as the command line takes them (target "effect"):
# the effect engine alone, no Qt.
seed_effect() {
    dir=$1
    printf 'fire' >"$dir/bare"
    printf 'fire:cooling=120,sparking=200,o1=on,curve=gamma' >"$dir/fire"
    printf 'life:speed=255,density=1,stall=1,from-frame=off' >"$dir/life"
    printf 'julia:iterations=4,zoom=255' >"$dir/julia"
    printf 'balls:balls=8,c1=1,intensity=0,speed=0' >"$dir/balls"
    printf 'plasma:scale=-99999999999999999999,speed=' >"$dir/bad"
}

effect_sources() {
    echo "$root"/src/core/effects/*.cpp
}

# The program's own animation file (target "native"): one frame of every level
# with an escaped name, and two frames in CR LF with hold times.
seed_native() {
    dir=$1
    rows=$(i=0; while [ $i -lt 16 ]; do printf '0123456789abcdef\n'; i=$((i + 1)); done)
    printf 'QUENTARO-ANIMATION 1\nname Demo \\\\ \\u{a}\303\251\nplay-mode ping-pong\nspeed-ms 40\nlevels 16\nframes 1\nframe 0\n%s' \
        "$rows" >"$dir/levels"
    {
        printf 'QUENTARO-ANIMATION 1.3\r\nfuture-key x\r\nplay-mode once\r\nframes 2\r\n'
        for hold in 40 65535; do
            printf 'frame %s\r\n' $hold
            i=0; while [ $i -lt 16 ]; do printf 'f0f0f0f0F0F0F0F0\r\n'; i=$((i + 1)); done
        done
    } >"$dir/held-crlf"
}

native_reader_sources() {
    echo "$root/src/core/files/NativeFormat.cpp -fPIC $(pkg-config --cflags --libs Qt6Core)"
}

seed_playlist() {
    dir=$1
    printf 'a\r\nb\r\nc\r\n' >"$dir/three"
    printf ' spaced \r\n\r\nlast' >"$dir/blanks"
    printf 'one\rtwo\nstill two\r\r\n' >"$dir/endings"
}

seed_bridge() {
    dir=$1
    printf '\003\203\007\003\067\001\000' >"$dir/ack"
    printf '\002\001\005\001\001\321\144\000' >"$dir/hello"
    {
        printf '\004\002\377\040'
        i=0; while [ $i -lt 31 ]; do printf '\001'; i=$((i + 1)); done
        printf '\003\275\311\000'
    } >"$dir/dark-frame"
    printf '\000\001\000\011\004\011\000\003\203\007\003\067\002\000' >"$dir/damaged"
    {
        printf '\045\005\001\040'
        i=0; while [ $i -lt 32 ]; do printf '\132'; i=$((i + 1)); done
        printf '\306\001\000'
    } >"$dir/level-plane"
    printf '\007\011\001\001\062\145\247\000' >"$dir/brightness"
}

# Picture import (target "image", not in the default list): the import code and
# the system's Qt Gui, whose GIF and JPEG plugins are not instrumented.
seed_image() {
    cp "$here"/seeds-image/* "$1/"
}

image_import_sources() {
    echo "$root/src/pictures/PictureImport.cpp $root/src/pictures/GifScan.cpp" \
        "$root/src/pictures/FileIntegrity.cpp -I $root/src -fPIC" \
        "$(pkg-config --cflags --libs Qt6Gui)"
}

# The ArtPollReply parser (target "artpoll"): the
# packet code and the system's Qt Core.
seed_artpoll() {
    dir=$1
    {
        printf 'Art-Net\000\000\041\012\000\002\007' # OpPollReply, 10.0.2.7
        head -c 4 /dev/zero
        printf '\001\016' # Net 1, Sub-Net 14
        head -c 6 /dev/zero
        printf 'panel'; head -c 13 /dev/zero
        printf 'LED panel'; head -c 55 /dev/zero
        head -c 65 /dev/zero
        printf '\003\200\200\100\000' # three ports, two of them output
        head -c 12 /dev/zero
        printf '\003\004\005\000'
        head -c 45 /dev/zero
    } >"$dir/reply"
    head -c 108 "$dir/reply" >"$dir/no-ports"
}

artpoll_sources() {
    echo "$root/src/network/NetworkPackets.cpp -I $root/src -fPIC" \
        "$(pkg-config --cflags --libs Qt6Core)"
}

# The network receivers (targets "e131", "artnet" and "ddp"): the decoders and
# the state machine with the system's Qt Core. An input is a run of records:
# a time step in 10 ms, the sender's last address byte, a 16-bit length and
# the datagram.
byte() { printf "\\$(printf %03o "$1")"; }
zeros() { head -c "$1" /dev/zero; }
values() { head -c "$1" /dev/zero | tr '\0' "\\$(printf %03o "$2")"; }
record() { # TIME SENDER: the datagram on standard input
    cat >"$work/datagram"
    n=$(wc -c <"$work/datagram")
    byte "$1"; byte "$2"; byte $((n >> 8)); byte $((n & 255))
    cat "$work/datagram"
}

e131_data() { # UNIVERSE SEQUENCE OPTIONS SYNC COUNT VALUE
    size=$((126 + $5))
    printf '\000\020\000\000ASC-E1.17\000\000\000'
    byte $((0x70 | (size - 16) >> 8)); byte $(((size - 16) & 255))
    printf '\000\000\000\004CIDCIDCIDCIDCID1'
    byte $((0x70 | (size - 38) >> 8)); byte $(((size - 38) & 255))
    printf '\000\000\000\002desk'; zeros 60
    byte 100; byte $(($4 >> 8)); byte $(($4 & 255)); byte "$2"; byte "$3"
    byte $(($1 >> 8)); byte $(($1 & 255))
    byte $((0x70 | (size - 115) >> 8)); byte $(((size - 115) & 255))
    printf '\002\241\000\000\000\001'; byte $((($5 + 1) >> 8)); byte $((($5 + 1) & 255))
    printf '\000'; values "$5" "$6"
}

e131_sync() { # ADDRESS SEQUENCE
    printf '\000\020\000\000ASC-E1.17\000\000\000\160\041\000\000\000\010CIDCIDCIDCIDCID1'
    printf '\160\013\000\000\000\001'; byte "$2"; byte $(($1 >> 8)); byte $(($1 & 255)); zeros 2
}

seed_e131() {
    dir=$1
    { e131_data 1 1 0 0 510 255 | record 0 1; e131_data 2 1 0 0 258 136 | record 0 1; } >"$dir/frame"
    {
        e131_data 1 1 0 7 510 255 | record 0 1; e131_sync 7 1 | record 1 1
        e131_data 1 2 0 7 510 17 | record 1 1; e131_data 2 2 32 7 258 17 | record 1 1
        e131_sync 7 2 | record 255 1
    } >"$dir/sync"
    { e131_data 1 9 0 0 256 9 | record 0 2; e131_data 1 9 64 0 0 0 | record 0 2; } >"$dir/terminated"
}

artdmx() { # PORT-ADDRESS COUNT VALUE
    printf 'Art-Net\000\000\120\000\016\001\000'; byte $(($1 & 255)); byte $(($1 >> 8))
    byte $(($2 >> 8)); byte $(($2 & 255)); values "$2" "$3"
}

seed_artnet() {
    dir=$1
    {
        artdmx 15 510 255 | record 0 1; artdmx 16 258 136 | record 0 1
        printf 'Art-Net\000\000\122\000\016\000\000' | record 1 1
        artdmx 15 510 17 | record 1 1; artdmx 16 258 17 | record 1 2
        printf 'Art-Net\000\000\122\000\016\000\000' | record 250 1
    } >"$dir/sync"
    printf 'Art-Net\000\000\040\000\016\040\000\000\020\000\017' | record 0 3 >"$dir/poll"
}

ddp() { # FLAGS OFFSET COUNT VALUE
    byte "$1"; printf '\001\013\001'; byte 0; byte 0; byte $(($2 >> 8)); byte $(($2 & 255))
    byte $(($3 >> 8)); byte $(($3 & 255)); values "$3" "$4"
}

seed_ddp() {
    dir=$1
    { ddp 64 0 510 255 | record 0 1; ddp 65 510 258 136 | record 0 1; } >"$dir/frame"
    { ddp 65 700 100 255 | record 0 1; ddp 65 0 0 0 | record 255 1; } >"$dir/push"
    printf '\102\003\000\373\000\000\000\000\000\000' | record 0 1 >"$dir/status"
}

receiver_sources() {
    echo "$root/src/network/receive/ReceivedPackets.cpp $root/src/network/receive/ReceivedFrames.cpp" \
        "$root/src/network/NetworkPackets.cpp $root/src/core/port/PanelMapping.cpp -I $root/src -fPIC" \
        "$(pkg-config --cflags Qt6Network) $(pkg-config --cflags --libs Qt6Core)"
}

# The font reader (target "font"): BitmapFont with the
# system's Qt Core, FreeType and zlib, which are not instrumented. Seeds: small
# BDF fonts, hostile ones among them, one gzip-compressed, and small PCF and
# TrueType files of the system where there are any.
seed_font() {
    dir=$1
    glyph_a='STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 5 0\nBBX 4 6 0 0\nBITMAP\n60\n90\n90\nF0\n90\n90\nENDCHAR\n'
    bdf_head='STARTFONT 2.1\nFONT -fuzz-seed-medium-r-normal--8-80-75-75-c-50-iso10646-1\nSIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 4\nFONT_ASCENT %s\nFONT_DESCENT 1\nCHARSET_REGISTRY "ISO10646"\nCHARSET_ENCODING "1"\nENDPROPERTIES\nCHARS 2\n'
    printf "$bdf_head$glyph_a"'STARTCHAR W\nENCODING 87\nSWIDTH 500 0\nDWIDTH 6 0\nBBX 5 6 0 0\nBITMAP\n88\n88\nA8\nA8\nA8\n50\nENDCHAR\nENDFONT\n' 7 >"$dir/plain.bdf"
    printf "$bdf_head$glyph_a"'STARTCHAR W\nENCODING 87\nSWIDTH 500 0\nDWIDTH 6 0\nBBX 4 6 0 0\nENDCHAR\nENDFONT\n' 7 >"$dir/no-bitmap.bdf"
    printf "$bdf_head$glyph_a"'STARTCHAR W\nENCODING 87\nSWIDTH 500 0\nDWIDTH 65535 0\nBBX 8 4000 0 0\nENDCHAR\nENDFONT\n' 4000 >"$dir/huge.bdf"
    gzip -c "$dir/plain.bdf" >"$dir/plain.bdf.gz"
    for font in /usr/share/fonts/X11/misc/4x6-ISO8859-1.pcf.gz /usr/share/fonts/X11/misc/5x7-ISO8859-8.pcf.gz \
        /usr/share/fonts-glyphicons/glyphicons-halflings-regular.ttf; do
        [ -f "$font" ] && cp "$font" "$dir/"
    done
    [ -f "$dir/4x6-ISO8859-1.pcf.gz" ] && gzip -dc "$dir/4x6-ISO8859-1.pcf.gz" >"$dir/4x6-ISO8859-1.pcf"
    return 0
}

font_reader_sources() {
    echo "$root/src/text/BitmapFont.cpp -I $root/src -fPIC" \
        "$(pkg-config --cflags --libs Qt6Core freetype2 zlib)"
}

# The packet code is C shared with the firmware: compiled as C, linked in.
build_bridge_protocol() {
    $cc -std=c99 -g -O1 -fsanitize=fuzzer-no-link,address,undefined \
        -fno-sanitize-recover=undefined -c "$root/protocol/bridge_protocol.c" \
        -o "$work/bridge_protocol.o"
    echo "$work/bridge_protocol.o"
}

mkdir -p "$work"
status=0
for target in $targets; do
    name=fuzz_${target}_reader
    case $target in
    led) sources="$root/src/core/files/LedFormat.cpp" ;;
    playlist) sources="$root/src/core/files/PlaylistFormat.cpp" ;;
    bridge) sources=$(build_bridge_protocol) name=fuzz_bridge_decoder ;;
    image) sources=$(image_import_sources) name=fuzz_image_import ;;
    artpoll) sources=$(artpoll_sources) name=fuzz_artpoll_reply ;;
    font) sources=$(font_reader_sources) ;;
    native) sources=$(native_reader_sources) ;;
    effect) sources=$(effect_sources) name=fuzz_effect_choice ;;
    e131 | artnet | ddp) sources=$(receiver_sources) name=fuzz_${target}_receiver ;;
    *) echo "unknown target: $target" >&2; exit 2 ;;
    esac
    echo "== building $name"
    $cxx $flags -o "$work/$name" "$here/$name.cpp" $sources

    corpus=$work/corpus-$target
    artifacts=$work/artifacts-$target
    mkdir -p "$corpus" "$artifacts"
    seed_$target "$corpus"

    # The receivers keep state from packet to packet, each input played many
    # times over from other senders: memory that grows with the senders
    # passes these limits (ASan's quarantine kept small, so that it does not
    # count).
    limits="-rss_limit_mb=2048" asan=${ASAN_OPTIONS:-}
    case $target in
    e131 | artnet | ddp) limits="-rss_limit_mb=384 -malloc_limit_mb=16" asan=${asan:+$asan:}quarantine_size_mb=32 ;;
    esac
    echo "== running $name for $seconds s"
    if ! ASAN_OPTIONS=$asan "$work/$name" "$corpus" \
        -max_total_time="$seconds" -max_len=16384 -timeout=10 $limits -print_final_stats=1 \
        -artifact_prefix="$artifacts/"; then
        echo "== $name FOUND A PROBLEM: see $artifacts" >&2
        status=1
    fi
done
exit $status
