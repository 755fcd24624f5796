#!/bin/sh
# GCC for Windows does not align the stack to 32 or 64 bytes (GCC bug 54412),
# so an aligned move of a 256- or 512-bit vector to or from the stack faults
# there. The build writes every vector move as an unaligned one; this checks
# the objects it made. Usage: check_vector_moves.sh OBJDUMP LIBRARY
set -eu
aligned=$("$1" -d "$2" | grep -E 'vmov(dqa|dqa32|dqa64|aps|apd)[[:space:]]' | grep -E '%[yz]mm' |
          grep -E '\(%r[sb]p' || true)
if [ -n "$aligned" ]; then
    echo "aligned vector moves on the stack in $2:"
    echo "$aligned"
    exit 1
fi
