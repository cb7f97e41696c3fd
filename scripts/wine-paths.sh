# Source this file: which Wine runs the 32-bit programs here, and where Debian puts it.
# Read by wine-prefix.sh, and by install-deps.sh before and after it installs Wine.
#   WINE_ROUTE   wow64: Wine's 64-bit loader runs them in WoW64 mode (Debian unstable's
#                Wine: libwine:amd64 carries the i386-windows DLLs; no 32-bit Linux
#                program or library at all); i386: wine32's 32-bit loader runs them,
#                natively or through qemu-i386 (Debian 12 and 13)
#   WINE_LOADER  that loader
#   WINE_SERVER  Wine's server: beside the WoW64 loader (Debian unstable puts none on
#                PATH), on PATH otherwise
#   WINE_QEMU    the i386 interpreter of qemu-user whose binfmt_misc flag P keeps
#                argv[0], which the 32-bit loader needs
#   WINE_WOW64_FROM  the first libwine:amd64 that carries the i386-windows DLLs, for
#                install-deps.sh to choose the route before Wine is installed
WINE_WOW64_FROM=10.0~repack-12
WINE_QEMU=/usr/libexec/qemu-binfmt/i386-binfmt-P
# Debian 12's libwine:amd64 has an i386-windows folder too, holding zlib1.dll alone: the
# 32-bit kernel32 tells a WoW64 Wine.
if [ -f /usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll ] &&
        [ -x /usr/lib/x86_64-linux-gnu/wine/wine ]; then
    WINE_ROUTE=wow64
    WINE_LOADER=/usr/lib/x86_64-linux-gnu/wine/wine
    WINE_SERVER=/usr/lib/x86_64-linux-gnu/wine/wineserver
else
    WINE_ROUTE=i386
    WINE_LOADER=/usr/lib/wine/wine
    WINE_SERVER=wineserver
fi
