#!/bin/bash
# Installs what is missing, builds both architectures and runs every test under Wine: the
# x86_64 build with the 64-bit loader, then the i686 build (the deliverable) with the 32-bit
# loader in a prefix of its own, when this machine can run 32-bit programs.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
# Wine's desktop takes its display from the first program of a prefix's server, so the
# whole run, the services that orvane_wine_up starts included, shares one X display.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
# ORVANE_TEST_ARCHES narrows a developer's run to one build ("x86_64"); CI runs both.
arches=${ORVANE_TEST_ARCHES:-"i686 x86_64"}
for arch in $arches; do "$src/scripts/build.sh" "$arch"; done

# Runs ctest in one build folder with that build's Wine settings; its exit code.
run_build_tests() (
    export ORVANE_BUILD_DIR="$1"
    shift
    . "$src/scripts/wine-env.sh"
    orvane_wine_up
    trap orvane_wine_down EXIT
    cd "$ORVANE_BUILD_DIR"
    ctest --output-on-failure -j2 "$@"
)

# True when a trivial 32-bit Windows program starts in the i686 build's prefix.
can_run_32bit() (
    export ORVANE_BUILD_DIR="$src/build-i686"
    . "$src/scripts/wine-env.sh"
    [ -x "$WINE" ] && "$WINE" --version >/dev/null 2>&1 || exit 1
    orvane_wine_up
    trap orvane_wine_down EXIT
    timeout 120 "$WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1
)

rc=0
case " $arches " in *" x86_64 "*) run_build_tests "$src/build-x86_64" "$@" || rc=$? ;; esac
case " $arches " in *" i686 "*)
    if can_run_32bit; then
        run_build_tests "$src/build-i686" "$@" || rc=$?
    else
        echo "i686 tests skipped: this machine cannot run 32-bit programs (wine32 did not start one)"
    fi ;;
esac
exit $rc
