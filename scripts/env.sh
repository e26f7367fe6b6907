# Shared settings of the project's scripts (sourced after set-up has
# installed the packages).
# Setwright and Spoolkit are 32-bit programs and are always built as such.
# The tests run under Wine. Where this machine cannot execute 32-bit Linux
# programs, Wine's 32-bit loader cannot start, so the tests are built for
# 64-bit Windows from the same sources and run under Wine's 64-bit loader.
SW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -z "${SW_TEST_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    SW_TEST_ARCH=i686
  else
    SW_TEST_ARCH=x86_64
  fi
fi
export SW_TEST_ARCH
SW_BUILD="${SW_BUILD_DIR:-$SW_ROOT/build}"
if [ "$SW_TEST_ARCH" = i686 ]; then
  export WINEARCH=win32
  SW_WINE=/usr/lib/wine/wine
  SW_TEST_BUILD="$SW_BUILD"
else
  export WINEARCH=win64
  SW_WINE=/usr/lib/wine/wine64
  SW_TEST_BUILD="$SW_BUILD/test64"
fi
export WINELOADER="$SW_WINE"
export WINEPREFIX="${SW_WINEPREFIX:-$SW_ROOT/.wine-$WINEARCH}"
export WINEDEBUG="${WINEDEBUG:--all}"
