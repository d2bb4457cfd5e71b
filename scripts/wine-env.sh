# Sourced by the scripts and by ctest's wrapper, with BUILD_DIR set to one architecture's build
# tree: a private Wine prefix in that tree with the Chinese locale, so the ANSI code page is 936.
# With RK_WINE_LOCALE=en_US it is a second prefix of its own with the US locale instead, a Western
# Windows whose ANSI code page is 1252 (and OEM code page 437).
# The x64 tree runs under 64-bit Wine called directly, since /usr/bin/wine always picks the
# 32-bit loader when wine32 is installed.
RK_ARCH="${RK_ARCH:-$(cat "$BUILD_DIR/rk-arch" 2>/dev/null || echo i686)}"
if [ "${RK_WINE_LOCALE:-zh_CN}" = en_US ]; then
  # Whatever prefix the caller had: a prefix keeps the locale it was made in.
  export WINEPREFIX="$BUILD_DIR/wineprefix-1252"
else
  export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# winemenubuilder would turn the shortcuts tests create into menu entries and icons on the host.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
# Wine runs its own ping.exe from the system directory whatever file lies there, unless a process
# started with this: the tests put stand-ins there (a process reads it only when it starts).
case "$WINEDLLOVERRIDES" in *ping.exe*) ;; *) export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;ping.exe,tracert.exe=n,b" ;; esac
export LC_ALL="${RK_WINE_LOCALE:-zh_CN}.UTF-8"
export LANG="$LC_ALL"
if [ "$RK_ARCH" = x64 ]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
  # wine, wineserver and wineboot by name, for the scripts and the tests that call them so.
  rk_winebin="$BUILD_DIR/winebin"
  if [ ! -x "$rk_winebin/wineboot" ]; then
    mkdir -p "$rk_winebin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$rk_winebin/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$rk_winebin/wineserver"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 wineboot "$@"\n' >"$rk_winebin/wineboot"
    chmod +x "$rk_winebin/wine" "$rk_winebin/wineserver" "$rk_winebin/wineboot"
  fi
  export PATH="$rk_winebin:$PATH"
fi
