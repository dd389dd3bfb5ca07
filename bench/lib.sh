# What every bench script shares: sourced, never run. It sets ROOT and BUILD (VTL_BUILD_DIR,
# default build/) and offers the functions below.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${VTL_BUILD_DIR:-$ROOT/build}
BIN=$BUILD/bin

# bench_need PACKAGE=WHAT...: installs the Debian packages whose WHAT is missing, WHAT being a
# command on PATH or an absolute path that must exist.
bench_need() {
    local missing=() arg what
    for arg in "$@"; do
        what=${arg#*=}
        if [[ $what == /* ]]; then
            [ -e "$what" ] && continue
        else
            command -v "$what" >/dev/null && continue
        fi
        missing+=("${arg%%=*}")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "installing: ${missing[*]}" >&2
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y "${missing[@]}" >&2
}

# bench_build TARGET...: configures the build folder when it has never been, then builds them.
bench_build() {
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    cmake --build "$BUILD" --target "$@" -j2 >&2
}

# bench_sandbox NAME: a folder of the run's own in WORK, removed at exit, with the settings,
# cache, runtime and temporary folders inside it, so the user's are never touched; Qt offscreen.
bench_sandbox() {
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    trap 'rm -rf "$WORK"' EXIT
    mkdir -p "$WORK/config" "$WORK/cache" "$WORK/tmp"
    mkdir -m 700 "$WORK/runtime"
    export XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache XDG_RUNTIME_DIR=$WORK/runtime
    export TMPDIR=$WORK/tmp QT_QPA_PLATFORM=offscreen
}

# median [NUMBER...]: the median of the numbers given, or of those read from standard input
# (separated by spaces or new lines).
median() {
    { if [ $# -gt 0 ]; then printf '%s\n' "$@"; else cat; fi; } | tr ' ' '\n' | grep . |
        sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'
}
