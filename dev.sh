#!/usr/bin/env bash
# The developer's commands: installs what is missing, builds, and runs.
#   ./dev.sh demo      flies the demo flight (tools/demo/run-demo.sh)
#   ./dev.sh test      builds with warnings as errors and runs every test
#   ./dev.sh sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh tsan      the multi-threaded subsystems' tests under ThreadSanitizer
#   ./dev.sh format    applies .clang-format to every source
#   ./dev.sh bench     release build; the microbenchmarks and corvessa-bench, one table
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build libgtest-dev libgmock-dev libpugixml-dev libbenchmark-dev)

install_missing() {
    local missing=()
    for package in "${packages[@]}"; do
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
        install_missing
        build build
        exec tools/demo/run-demo.sh build
        ;;
    test)
        install_missing
        build build -DCORVESSA_WERROR=ON -DCORVESSA_BENCHMARKS=ON
        run_tests build
        ;;
    sanitize)
        install_missing
        build build-asan -DCORVESSA_WERROR=ON -DCORVESSA_SANITIZE=address,undefined
        run_tests build-asan
        ;;
    tsan)
        install_missing
        build build-tsan -DCORVESSA_WERROR=ON -DCORVESSA_SANITIZE=thread
        run_tests build-tsan -R '^(Relay|Route|SimLink)'
        ;;
    bench)
        install_missing
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
            sed -n '3,8s|^#   ./dev.sh |  |p' "$0"
        } >&2
        exit 2
        ;;
esac
