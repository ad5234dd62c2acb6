#!/usr/bin/env bash
# Developer entry point. Usage: ./dev.sh run | test | build | screenshots | bench | fuzz [SECONDS] [--merge]
#                              | mutants [COUNT] | package
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

PACKAGES=(cmake ninja-build g++ ccache pkg-config
          qt6-base-dev qt6-connectivity-dev qt6-charts-dev qt6-image-formats-plugins
          qcoro-qt6-dev libqt6sql6-sqlite libqt6sql6-psql postgresql libpq-dev openssl
          qtkeychain-qt6-dev libsecret-1-0 gnome-keyring
          libgl-dev dbus-daemon clang libclang-rt-14-dev
          dpkg-dev file lintian desktop-file-utils appstream poppler-utils)

ensure_packages() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

export CCACHE_DIR="${CCACHE_DIR:-$ROOT/.cache/ccache}"

build_release() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=OFF >/dev/null
    cmake --build build -j2
}

build_tests() {
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON >/dev/null
    cmake --build build-asan -j2
}

build_package() {
    build_release >&2
    rm -rf build/package
    (cd build && cpack -G DEB >/dev/null)
    ls build/package/zvservice_*.deb
}

# No display: say so, and offer the command-line tool and the window over VNC.
has_display() {
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]
}

run_tests() {
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build-asan --output-on-failure -j2 --timeout 300
}

cmd="${1:-}"
case "$cmd" in
    build)
        ensure_packages
        build_release
        ;;
    run)
        ensure_packages
        build_release
        if [ "${2:-}" = "--vnc" ]; then
            echo "Connect a VNC viewer to $(hostname -I 2>/dev/null | awk '{print $1}'):5900"
            exec build/bin/zvservice --simulator -platform vnc:port=5900
        fi
        if ! has_display; then
            echo "There is no display here: try the command-line tool on the simulated gauge" \
                 "(build/bin/zvctl --simulator read) or the window over VNC (./dev.sh run --vnc)."
            exit 1
        fi
        if [ -x build/bin/zvservice ]; then
            exec build/bin/zvservice --simulator
        fi
        exec build/bin/zvctl --simulator --trace send '$gcv!'
        ;;
    test)
        ensure_packages
        build_tests
        run_tests
        packaging/check-package.sh "$(build_package)"
        fuzz/run.sh 5
        ;;
    fuzz)
        ensure_packages
        shift
        [[ "${1:-}" =~ ^[0-9]+$ ]] || set -- 300 "$@"
        fuzz/run.sh "$@"
        ;;
    screenshots)
        ensure_packages
        build_release
        mkdir -p build/screenshots
        QT_QPA_PLATFORM=offscreen build/bin/zvservice --simulator --screenshots build/screenshots
        for lang in de en; do # the service report's first page beside the windows
            pdftoppm -png -r 80 -f 1 -l 1 -singlefile "build/screenshots/report-$lang.pdf" \
                "build/screenshots/report-$lang"
        done
        ls build/screenshots
        ;;
    bench)
        ensure_packages
        build_release
        cmake -S . -B build -DZV_BUILD_BENCH=ON >/dev/null
        cmake --build build -j2
        for b in build/bin/bench_*; do QT_QPA_PLATFORM=offscreen "$b"; done
        ;;
    package)
        ensure_packages
        build_package
        ;;
    mutants)
        # Mutation sampling of the core folders: a clone of the committed tree (the tool rewrites
        # files), shared libraries without sanitizers, the same seed every time. Each suite run
        # stops at its first failure: the score counts, the per-test table is then partial.
        ensure_packages
        count="${2:-80}"
        work="$ROOT/build-mutants"
        rm -rf "$work/src"
        git clone -q "$ROOT" "$work/src"
        cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZV_SHARED_LIBS=ON \
              -DZV_BUILD_BENCH=OFF -DCMAKE_LINK_DEPENDS_NO_SHARED=ON >/dev/null
        cmake --build "$work/build" -j2
        export QT_QPA_PLATFORM=offscreen
        python3 ../shared/tools/mutants --build-dir "$work/build" --count "$count" --seed 1207 \
            --files 'link/*.cpp' 'info/*.cpp' 'service/*.cpp' 'state/*.cpp' 'sim/*.cpp' 'cli/*.cpp' \
            --ctest-args "--timeout 300" --fast --out "$work/mutants-$count.tsv"
        ;;
    *)
        echo "usage: ./dev.sh run | test | build | screenshots | bench | fuzz [SECONDS] [--merge] | mutants [COUNT] | package" >&2
        exit 2
        ;;
esac
