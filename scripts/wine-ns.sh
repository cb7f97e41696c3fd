#!/usr/bin/env bash
# Runs COMMAND inside a user and mount namespace (unshare -U -r -m) whose own
# binfmt_misc hands i386 ELF programs to qemu-i386: wine-ns.sh QEMU COMMAND [ARGS],
# QEMU being the interpreter (wine-prefix.sh names it).
# P keeps argv[0], which Wine's loader needs; F opens the interpreter now, so that
# it is found whatever the program's root.
set -eu
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
magic='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$1:PF" >/proc/sys/fs/binfmt_misc/register
shift
exec "$@"
