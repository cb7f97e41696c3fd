#!/usr/bin/env bash
# Source this file: sets up Wine for the tools (code page 932 through the Japanese
# locale, a private prefix, no debug noise) and boots the prefix once.
#   WINEPREFIX  defaults to <repo>/build/wineprefix
#   wine_prefix_boot  boots it if it is new, and waits until the server is idle
repo_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$repo_dir/build/wineprefix}
export WINEARCH=${WINEARCH:-win64}
export LANG=ja_JP.UTF-8
export WINEDEBUG=-all
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The loader that runs here: where the kernel cannot execute 32-bit Linux programs,
# Wine's 32-bit loader (and /usr/bin/wine, which starts it) cannot run.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE_RUN=/usr/lib/wine/wine
else
    WINE_RUN=/usr/lib/wine/wine64
fi

wine_prefix_boot() {
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$WINE_RUN" wineboot -i >/dev/null 2>&1
    fi
    wineserver -w
}

# Maps the dialogs' face to a metric-alike font that Debian ships, so that lines
# wrap as they do on Windows.
wine_prefix_fonts() {
    "$WINE_RUN" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    wineserver -w
}
