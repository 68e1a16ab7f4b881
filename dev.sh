#!/usr/bin/env bash
# The developer's commands: installs what is missing, builds, and runs.
#   ./dev.sh demo      flies the demo flight (tools/demo/run-demo.sh)
#   ./dev.sh test      builds with warnings as errors and runs every test
#   ./dev.sh sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh tsan      the multi-threaded subsystems' tests under ThreadSanitizer
#   ./dev.sh fuzz [S]  runs each parser's libFuzzer target for S seconds (default 60)
#   ./dev.sh soak [--short]  the relay's load test on loopback: 60 s, or 15 s
#   ./dev.sh windows   the Windows programs: both zips in dist/, their tests under Wine
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

# The Windows build: mingw-w64 in its POSIX thread variant, Wine for its
# tests, dpkg-dev to unpack pugixml's source package. (zip: to look inside.)
windows_packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 zip dpkg-dev googletest)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

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

# The Wine tests run only in `./dev.sh windows`.
run_tests() {
    ctest --test-dir "$1" --output-on-failure --parallel 2 -LE wine "${@:2}"
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# pugixml has no Windows package: its Debian source package, unpacked into
# the build folder DIR/pugixml-source. Where apt knows no source packages,
# an entry of the project's own for this Debian release is added.
unpack_pugixml_source() {
    local dir=$1
    [ -f "$dir/pugixml-source/CMakeLists.txt" ] && return
    if ! apt-cache showsrc pugixml 2>/dev/null | grep -q '^Package: pugixml'; then
        local release
        release=$(. /etc/os-release && echo "$VERSION_CODENAME")
        echo "Adding Debian's source packages for $release (/etc/apt/sources.list.d/corvessa-deb-src.sources)"
        printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: $release" \
            "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
            as_root tee /etc/apt/sources.list.d/corvessa-deb-src.sources >/dev/null
        as_root apt-get update -qq
    fi
    local download="$dir/pugixml-download"
    rm -rf "$download" && mkdir -p "$download"
    (cd "$download" && apt-get source -qq pugixml 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
    local unpacked
    unpacked=$(find "$download" -mindepth 1 -maxdepth 1 -type d -name 'pugixml-*' | head -n 1)
    [ -n "$unpacked" ] || { echo "apt-get source pugixml unpacked nothing" >&2; exit 1; }
    mv "$unpacked" "$dir/pugixml-source"
    rm -rf "$download"
}

# build_windows DIR ARCH [CMAKE OPTIONS...]: one Windows target, cross-compiled.
build_windows() {
    local dir=$1 arch=$2
    shift 2
    mkdir -p "$dir"
    unpack_pugixml_source "$dir"
    build "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$arch.cmake -DCORVESSA_WERROR=ON "$@"
    cmake --build "$dir" --target windows-zip
}

# Cases the Windows suites leave out under Wine. Wine gives every loopback
# socket the source address 127.0.0.1, so the relay cannot tell clients on
# 127.0.0.2, .3 ... apart (Windows itself routes all of 127/8 to loopback);
# two cases compare console text with POSIX line ends or the POSIX reason for
# a failed open. The Wine tests of the Linux suite check status 14 and the
# network log with Windows line ends.
not_under_wine=(
    RelaySetUp.PortInUseEndsTheProcessWithFourteen
    RelayNetworkLog.UnopenableLogIsReportedAndLoggingStaysOff
    RelayReaper.ChecksEveryClientInKeyOrderAndKeepsOneFromTheFuture
    RelayPurge.SilenceFromEveryoneDropsEveryClient
    RelaySender.EveryMessageReachesEveryClientInOrder
    RelayHeartbeat.ResetNoticeReachesOnlyTheClientsThatStay
    RelayClientMessages.ShortDatagramNeverBorrowsThePreviousOnesBytes
    RelayClientMessages.EndFlowDropsOnlyItsSender
    RelayRegistration.TwoClientsOnOneHostShareOneEntry
    RelayRegistration.OthersAreServedWhileOneClientRegisters
    RelayRegistration.PendingRegistrationsAreBounded
)

# The Windows programs' tests: the suites as Windows programs, then the Linux
# suite's Wine tests, which run corvessa.exe, corvessa-sim.exe and
# corvessa-client.exe beside the Linux programs. One Wine prefix in the build
# folder, started once and kept running for the whole run.
test_windows() {
    export WINEPREFIX=$PWD/build-win64/wine-prefix WINEDEBUG=-all
    export CORVESSA_WINDOWS_BUILD=$PWD/build-win64 CORVESSA_WINE=$wine
    # On a loaded machine a Wine process now and then fails to start, or
    # starts so late that a client registers twice: a case gets a second try.
    ctest --test-dir build-win64 --output-on-failure --parallel 2 --repeat until-pass:2 \
        -E "$(IFS='|'; echo "${not_under_wine[*]}")"
    # The programs under Wine run one at a time: run beside each other, a
    # Wine process now and then never ends (seen as a corvessa.exe that
    # printed its summary, or was sent Ctrl-C, and stayed), which no second
    # try beside another Wine program cured. A case that stays is stopped
    # after 200 s and tried again, up to three times.
    ctest --test-dir build --output-on-failure --parallel 1 --timeout 200 \
        --repeat until-pass:3 -L wine
}

start_wine_prefix() {
    export WINEPREFIX=$PWD/build-win64/wine-prefix WINEDEBUG=-all
    mkdir -p build-win64
    # Its first start makes the prefix; a persistent server then spares
    # every later Windows program the server's start.
    "$wine" wineboot --init >/dev/null 2>&1
    # (It fails when a server for this prefix runs already, which is as good.)
    "$wineserver" -p 2>/dev/null || true
    trap '"$wineserver" -k 2>/dev/null || true' EXIT
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
    windows)
        install_missing "${packages[@]}" "${windows_packages[@]}"
        build build -DCORVESSA_WERROR=ON
        start_wine_prefix
        build_windows build-win64 x86_64
        # The 32-bit programs are built and packed; this machine's Wine runs
        # 64-bit programs only.
        build_windows build-win32 i686 -DBUILD_TESTING=OFF
        ls -l dist/*.zip
        test_windows
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
