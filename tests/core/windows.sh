#!/usr/bin/env bash
# The core tests built for 64-bit Windows (preset windows, build/windows) and run under Wine, in a
# Wine prefix of their own under the build folder. Exit 77 (skipped) where the cross compiler or Wine
# is missing, or where Wine cannot start. Runs through tests/isolated.sh: TAVREL_HOME is set.
set -u
source_dir=$1
build_dir=$source_dir/build/windows

skip() {
    echo "SKIPPED: $*"
    exit 77
}

command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
    skip "no MinGW-w64 compiler (./dev.sh test installs g++-mingw-w64-x86-64-posix)"
[ -f /usr/src/googletest/CMakeLists.txt ] || skip "no GoogleTest sources (./dev.sh test installs googletest)"
# Debian's wine64 package alone puts its loader outside PATH.
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wine" ] || skip "no Wine (./dev.sh test installs wine64)"

# ./dev.sh test has built it already; this keeps a lone ctest run from testing a stale build.
cd "$source_dir" || exit 1
if [ ! -f "$build_dir/CMakeCache.txt" ]; then cmake --preset windows >/dev/null || exit 1; fi
cmake --build --preset windows || exit 1

export WINEPREFIX=$build_dir/wine
export WINEDEBUG=-all
# No offer to install Wine's .NET and browser engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Nothing to show: no window of Wine's own, even on a desktop.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
# The first start sets the prefix up, which can take a minute on a loaded machine.
if ! boot_log=$("$wine" wineboot --init 2>&1); then
    echo "$boot_log" | tail -n 20
    skip "Wine cannot start"
fi

# The folder isolated.sh made, as Windows names it (Wine maps drive Z: to /).
home_unix=$TAVREL_HOME
export TAVREL_HOME="Z:${home_unix//\//\\}"
"$wine" "$build_dir/tests/core/core_tests.exe" --gtest_color=no
status=$?
# The prefix's server outlives the program by a few seconds; the test ends when it does.
"$wineserver" -w
exit $status
