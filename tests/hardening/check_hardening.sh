#!/bin/bash
# Checks that built programs and modules carry the release hardening, as hardening-check does:
#   check_hardening.sh FILE...
# position-independent code (executables: PIE), read-only relocations (GNU_RELRO), all symbols
# bound at start (BIND_NOW), the stack protector (__stack_chk_fail) and fortified libc calls
# (__*_chk; a file that imports only unfortified ones fails, one that uses none passes).
set -uo pipefail

# libc functions that _FORTIFY_SOURCE replaces by a checking variant where it can.
fortifiable='memcpy|memmove|memset|mempcpy|stpcpy|stpncpy|strcpy|strcat|strncpy|strncat|sprintf|snprintf|vsprintf|vsnprintf|printf|fprintf|vprintf|vfprintf|dprintf|read|pread|pread64|recv|recvfrom|fgets|fread|realpath|getcwd|readlink|readlinkat|wcscpy|wmemcpy|wmemset|poll|ppoll|confstr|gethostname|getlogin_r|ttyname_r'

failures=0
fail() {
    echo "$1: $2"
    failures=$((failures + 1))
}

check_file() {
    local file=$1 header dynamic segments symbols
    if [ ! -f "$file" ]; then
        fail "$file" "missing"
        return
    fi
    header=$(readelf -hW "$file") || { fail "$file" "not an ELF file"; return; }
    dynamic=$(readelf -dW "$file")
    segments=$(readelf -lW "$file")
    symbols=$(readelf --dyn-syms -W "$file" | awk '$7 == "UND" {print $8}' | sed 's/@.*//')

    grep -q 'Type:[[:space:]]*DYN' <<<"$header" || fail "$file" "not position-independent"
    if grep -q 'Type:[[:space:]]*EXEC\|Type:[[:space:]]*DYN' <<<"$header" &&
        grep -q 'INTERP' <<<"$segments"; then
        grep -q 'FLAGS_1.*PIE' <<<"$dynamic" || fail "$file" "executable without PIE flag"
    fi
    grep -q 'GNU_RELRO' <<<"$segments" || fail "$file" "no read-only relocations (RELRO)"
    grep -Eq 'BIND_NOW|FLAGS_1.*[[:space:]]NOW' <<<"$dynamic" || fail "$file" "no BIND_NOW"
    grep -qx '__stack_chk_fail' <<<"$symbols" || fail "$file" "no stack protector"
    if ! grep -Eq '^__.*_chk$' <<<"$symbols" && grep -Eqx "$fortifiable" <<<"$symbols"; then
        fail "$file" "only unfortified libc calls ($(grep -Ex "$fortifiable" <<<"$symbols" |
            tr '\n' ' '))"
    fi
}

if [ $# -eq 0 ]; then
    echo "usage: $0 FILE..." >&2
    exit 2
fi
for file in "$@"; do
    check_file "$file"
done
if [ "$failures" -ne 0 ]; then
    echo "$failures hardening check(s) failed"
    exit 1
fi
echo "hardened: $*"
