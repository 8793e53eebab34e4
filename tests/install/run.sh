#!/usr/bin/env bash
# Installs the project into a temporary prefix and builds a C and a C++
# program against the installed copy, once through find_package and once
# through pkg-config, then runs them and compares their whole output.
#
#   tests/install/run.sh                      configure and build the project first
#   tests/install/run.sh --build-dir DIR      install from an existing build of it
set -euo pipefail

src=$(cd "$(dirname "$0")/../.." && pwd)
consumer="$src/tests/install/consumer"
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "install test: $*" >&2; exit 1; }

build=""
if [ "${1:-}" = "--build-dir" ]; then
  build=${2:?--build-dir needs a directory}
else
  build="$work/build"
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVIK_BUILD_TESTS=OFF \
        -DTARVIK_BUILD_BENCH=OFF -DTARVIK_WERROR=ON >/dev/null
  cmake --build "$build" -j 2 >/dev/null
fi

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

# What the package holds, wherever GNUInstallDirs put the libraries.
pc=$(find "$prefix" -name Korvane_LiDAR.pc)
config=$(find "$prefix" -name Korvane_LiDARConfig.cmake)
[ -n "$pc" ] || fail "no Korvane_LiDAR.pc installed"
[ -n "$config" ] || fail "no Korvane_LiDARConfig.cmake installed"
[ -f "$(dirname "$config")/Korvane_LiDARConfigVersion.cmake" ] || fail "no version file installed"
[ -f "$prefix/include/Korvane_LiDAR.h" ] || fail "no header installed"
[ -x "$prefix/bin/Tarvik" ] || fail "no Tarvik installed"
libdir=$(dirname "$pc")/..
ls "$libdir"/libKorvane_LiDAR.so* >/dev/null 2>&1 || fail "no shared library installed"

expected_c=$(printf '%s\n' 'check_las 5' \
  $'\rHeader of file consumer.las has been updated    ' \
  'points 3, returns 2 1, X -2.5 to 50.0, software Korvane LiDAR Utilities' \
  '1:3 3:4 3:1 5:5 5:0 5:2 ' \
  'check_YN 0')
expected_cpp=$(printf '%s\n' '-7.25:4 -1:1 0:3 2.5:0 2.5:2 ' \
  'version 1.0, header 227, software Korvane LiDAR Utilities' \
  '' \
  'File extension of tile.LAS is not .las' \
  'extension -1' \
  'numeric ok')

# Runs both programs of one build in a fresh directory and compares.
check_outputs() {
  local how=$1 dir=$2 run="$work/run-$1"
  mkdir -p "$run"
  local out
  out=$(cd "$run" && "$dir/consumer_c") || fail "$how: the C program failed"
  [ "$out" = "$expected_c" ] || fail "$how: the C program printed"$'\n'"$out"
  out=$(cd "$run" && "$dir/consumer_cpp") || fail "$how: the C++ program failed"
  [ "$out" = "$expected_cpp" ] || fail "$how: the C++ program printed"$'\n'"$out"
  # The tool summarises the file the C program wrote; rpath or not, it must
  # find the installed library.
  (cd "$run" && "$prefix/bin/Tarvik" consumer.las >"$run/tarvik.out") ||
    fail "$how: the installed Tarvik failed"
  grep -q 'Korvane LiDAR Utilities' "$run/tarvik.out" || fail "$how: the installed Tarvik printed no banner"
  echo "install test: $how consumers ok"
}

# Through the CMake package.
cmake -S "$consumer" -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
check_outputs cmake "$work/cmake-consumer"
# The version file refuses another major version.
if cmake -S "$consumer" -B "$work/cmake-v2" -DCMAKE_PREFIX_PATH="$prefix" \
     -DKORVANE_WANTED_VERSION=2.0 >/dev/null 2>&1; then
  fail "find_package(Korvane_LiDAR 2.0) accepted version 1"
fi

# Through pkg-config.
command -v pkg-config >/dev/null || fail "pkg-config is not installed"
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc")
[ "$(pkg-config --modversion Korvane_LiDAR)" = "$(sed -n 's/^Version: //p' "$pc")" ] || fail "pkg-config cannot read the .pc file"
read -r -a cflags <<<"$(pkg-config --cflags Korvane_LiDAR)"
read -r -a libs <<<"$(pkg-config --libs Korvane_LiDAR)"
pc_libdir=$(pkg-config --variable=libdir Korvane_LiDAR)
mkdir -p "$work/pc-consumer"
"${CC:-cc}" -std=c11 -Wall -Wextra -Wpedantic -Werror "${cflags[@]}" "$consumer/consumer.c" \
  -o "$work/pc-consumer/consumer_c" "${libs[@]}" -Wl,-rpath,"$pc_libdir"
"${CXX:-c++}" -std=c++17 -Wall -Wextra -Wpedantic -Werror "${cflags[@]}" "$consumer/consumer.cpp" \
  -o "$work/pc-consumer/consumer_cpp" "${libs[@]}" -Wl,-rpath,"$pc_libdir"
check_outputs pkg-config "$work/pc-consumer"
