# Source this file: where Debian's packages put Wine's 32-bit loader (wine32) and the
# i386 interpreter of qemu-user whose binfmt_misc flag P keeps argv[0], which Wine's
# loader needs. Read by wine-prefix.sh, and by install-deps.sh before Wine runs.
WINE_LOADER=/usr/lib/wine/wine
WINE_QEMU=/usr/libexec/qemu-binfmt/i386-binfmt-P
