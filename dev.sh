#!/usr/bin/env bash
# The developer's commands: installs what is missing, builds, and runs.
#   ./dev.sh demo      flies the demo flight (tools/demo/run-demo.sh)
#   ./dev.sh test      builds with warnings as errors and runs every test
#   ./dev.sh sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh tsan      the multi-threaded subsystems' tests under ThreadSanitizer
#   ./dev.sh fuzz [S]  runs each parser's libFuzzer target for S seconds (default 60)
#   ./dev.sh soak [--short]  the relay's load test on loopback: 60 s, or 15 s
#   ./dev.sh format    applies .clang-format to every source
#   ./dev.sh bench     release build; the microbenchmarks and corvessa-bench, one table
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build pkgconf libgtest-dev libgmock-dev libpugixml-dev libbenchmark-dev
    libcpp-httplib-dev nlohmann-json3-dev)
# The page's browser test: Debian's chromium, driven by playwright-core from
# the npm registry (never a browser of its own download).
browser_packages=(chromium)
browser_test=tests/web/browser

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# chromium and the pinned playwright-core, once; the test is skipped without them.
install_browser_test() {
    install_missing "${browser_packages[@]}"
    if ! command -v npm >/dev/null; then
        install_missing nodejs npm
    fi
    local installed=$browser_test/node_modules/.package-lock.json
    if [ ! -f "$installed" ] || [ "$browser_test/package-lock.json" -nt "$installed" ]; then
        (cd "$browser_test" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
    fi
}

# build DIR [CMAKE OPTIONS...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir"
}

run_tests() {
    ctest --test-dir "$1" --output-on-failure --parallel 2 "${@:2}"
}

# The parsers' fuzz targets (fuzz/) and where each finds its seed inputs.
fuzz_targets=(route_file_p route_file_i sim_flight_plan link_dispatch datagram metar_wind network_log)
fuzz_seeds() {
    case "$1" in
        route_file_p | route_file_i | sim_flight_plan) echo tests/route/data ;;
        *) echo "fuzz/corpus/$1" ;;
    esac
}

# run_fuzzers DIR SECONDS: each target in turn; new inputs collect in
# DIR/corpus, a crashing input is kept in DIR/artifacts and ends the run.
run_fuzzers() {
    local dir=$1 seconds=$2
    mkdir -p "$dir/artifacts"
    for target in "${fuzz_targets[@]}"; do
        local work="$dir/corpus/$target" log="$dir/fuzz-$target.log"
        mkdir -p "$work"
        if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$dir/artifacts/$target-" "$work" "$(fuzz_seeds "$target")" >"$log" 2>&1; then
            tail -n 40 "$log"
            echo "fuzz_$target found a fault; its input is in $dir/artifacts/"
            return 1
        fi
        echo "fuzz_$target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log")"
    done
}

# run_benchmarks DIR [corvessa-bench OPTIONS...]: the readers and the relay
# print as they work, so the microbenchmarks' report goes to a file first.
run_benchmarks() {
    local report="$1/micro-report.txt"
    "$1/bench/corvessa-micro-bench" --benchmark_out="$report" --benchmark_out_format=console \
        >/dev/null 2>&1 || { echo "The microbenchmarks failed" >&2; exit 1; }
    echo "== Microbenchmarks ($(nproc) cores)"
    grep -v '^\*\*\*' "$report"
    echo
    echo "== corvessa-bench: weather observation written to the link -> record at the clients"
    "$1/bench/corvessa-bench" "${@:2}"
}

case "${1:-}" in
    demo)
        install_missing "${packages[@]}"
        build build
        exec tools/demo/run-demo.sh build
        ;;
    test)
        install_missing "${packages[@]}"
        install_browser_test
        build build -DCORVESSA_WERROR=ON -DCORVESSA_BENCHMARKS=ON
        run_tests build
        ;;
    sanitize)
        install_missing "${packages[@]}"
        install_browser_test
        build build-asan -DCORVESSA_WERROR=ON -DCORVESSA_SANITIZE=address,undefined
        run_tests build-asan
        ;;
    tsan)
        install_missing "${packages[@]}"
        build build-tsan -DCORVESSA_WERROR=ON -DCORVESSA_SANITIZE=thread
        run_tests build-tsan -R '^(Relay|Route|SimLink)'
        ;;
    fuzz)
        install_missing "${packages[@]}" clang-14 libclang-rt-14-dev
        # Only the targets and what they use; the warnings gate is the test build's.
        cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_CXX_COMPILER=clang++-14 -DCORVESSA_SANITIZE=address,undefined \
            -DCORVESSA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
        cmake --build build-fuzz --target $(printf 'fuzz_%s ' "${fuzz_targets[@]}")
        run_fuzzers build-fuzz "${2:-60}"
        ;;
    soak)
        install_missing "${packages[@]}"
        build build -DCORVESSA_WERROR=ON
        build/tests/soak/relay_soak "${@:2}"
        ;;
    bench)
        install_missing "${packages[@]}"
        cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCORVESSA_BENCHMARKS=ON -DBUILD_TESTING=OFF >/dev/null
        cmake --build build-bench
        run_benchmarks build-bench "${@:2}"
        ;;
    format)
        git ls-files '*.cpp' '*.h' | xargs clang-format -i
        ;;
    *)
        # The commands, as the comment at the top lists them.
        {
            echo "usage: ./dev.sh COMMAND, one of:"
            sed -n 's|^#   ./dev.sh |  |p' "$0"
        } >&2
        exit 2
        ;;
esac
