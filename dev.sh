#!/bin/sh
# Parlo's developer entry point.
#   ./dev.sh run    install missing Debian packages, build, start Parlo
#   ./dev.sh test   install missing Debian packages, build, run every test
# BUILD (folder), TYPE (CMake build type) and CMAKE_FLAGS may be set in the environment.
set -eu
top=$(cd "$(dirname "$0")" && pwd)
build=${BUILD:-$top/build}
type=${TYPE:-RelWithDebInfo}
flags=${CMAKE_FLAGS:-}
[ "${CI:-}" = true ] && flags="$flags -DPARLO_WERROR=ON"
# A compiler cache, when the machine has one, makes rebuilds in other folders cheap.
command -v ccache >/dev/null && flags="$flags -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

setup() {
    "$top/scripts/deps.sh" "$@"
    if [ ! -f "$build/build.ninja" ]; then
        # shellcheck disable=SC2086
        cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" $flags >/dev/null
    fi
    if ! log=$(cmake --build "$build" -j2 -- --quiet 2>&1); then
        printf '%s\n' "$log" >&2
        exit 1
    fi
    printf '%s\n' "$log" | grep -v -e '^ninja: no work to do\.$' -e '^$' || true
}

case "${1:-}" in
run)
    setup
    exec "$build/parlo"
    ;;
test)
    setup --test
    cd "$build"
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} ctest -j2 --output-on-failure
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
