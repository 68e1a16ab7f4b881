#!/usr/bin/env bash
# The developer's commands: installs what is missing, builds, and runs.
#   ./dev.sh demo      flies the demo flight (tools/demo/run-demo.sh)
#   ./dev.sh test      builds with warnings as errors and runs every test
#   ./dev.sh sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh tsan      the multi-threaded subsystems' tests under ThreadSanitizer
#   ./dev.sh format    applies .clang-format to every source
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build libgtest-dev libgmock-dev libpugixml-dev)

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

case "${1:-}" in
    demo)
        install_missing
        build build
        exec tools/demo/run-demo.sh build
        ;;
    test)
        install_missing
        build build -DCORVESSA_WERROR=ON
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
    format)
        git ls-files '*.cpp' '*.h' | xargs clang-format -i
        ;;
    *)
        # The commands, as the comment at the top lists them.
        {
            echo "usage: ./dev.sh COMMAND, one of:"
            sed -n '3,7s|^#   ./dev.sh |  |p' "$0"
        } >&2
        exit 2
        ;;
esac
