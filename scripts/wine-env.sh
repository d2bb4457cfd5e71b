# Sourced by the scripts and by ctest's wrapper: a private Wine prefix in the build folder with
# the Chinese locale, so the ANSI code page is 936.
export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# winemenubuilder would turn the shortcuts tests create into menu entries and icons on the host.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
