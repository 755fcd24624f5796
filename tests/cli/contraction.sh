#!/bin/sh
# A build of firma whose compiler fuses multiplies and adds against the build's
# own flags (-ffp-contract=fast last on every command line) must never print a
# wrong signature: it signs correctly with the kernels that still give the
# known answers, or refuses with status 2. Compared with this build's firma on
# the known vectors, the near-tie steps, random files, and many files at once.
# The build is a plain one with Unix Makefiles, CMake's default generator, and
# builds everything: it also shows that Makefiles find every output folder made.
# Usage: contraction.sh SOURCE_DIR SCRATCH_DIR FIRMA
set -eu
source=$1 scratch=$2 firma=$3
fail() {
    echo "contraction: $1"
    exit 1
}
rm -rf "$scratch/files" && mkdir -p "$scratch/files"
grep -qs '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$scratch/build/CMakeCache.txt" || rm -rf "$scratch/build"
cmake -S "$source" -B "$scratch/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_COMPILER="$source/tests/support/cxx-with-contraction" -DFIRMA_BUILD_WINDOW=OFF \
      -DFIRMA_BUILD_TESTS=OFF -DFIRMA_BUILD_BENCHMARKS=OFF > "$scratch/configure.log" 2>&1 ||
    fail "configure: $(tail -5 "$scratch/configure.log")"
# A compiler may also refuse: then there is nothing that could sign wrongly,
# and nothing was tested (77: CTest reports it as skipped). Any other step that
# stops is the build's own fault.
cmake --build "$scratch/build" --parallel "$(nproc)" --target firma > "$scratch/build.log" 2>&1 || {
    echo "contraction: the build stops"
    exit 77
}
cmake --build "$scratch/build" --parallel "$(nproc)" > "$scratch/build-all.log" 2>&1 ||
    fail "the Makefiles build stops: $(grep -m 3 -i 'error\|nonexistent' "$scratch/build-all.log")"
fused=$("$source/scripts/program" "$scratch/build" firma)

cd "$scratch/files"
printf '' > empty; printf '\377' > ff; printf abc > abc
awk 'BEGIN { for (i = 0; i < 256; i++) printf "%c", i }' > ascending
printf '\370\001\001\000\000\000\000\002\000' > sum-tie
for last in 000 001 200 377; do printf "\122\001\002\003\002\001\001\001\\$last" > "product-tie-$last"; done
for i in $(seq 128); do head -c $((i * 997)) /dev/urandom > "random-$i"; done
for jobs in 1 128; do  # one file after another; many side by side, in lanes
    "$firma" -j "$jobs" -- * > ../expected
    status=0
    "$fused" -j "$jobs" -- * > ../got 2> ../said || status=$?
    if [ "$status" = 2 ]; then
        [ ! -s ../got ] || fail "refused, but printed $(head -n 1 ../got)"
        grep -q "refusing to sign" ../said || fail "refused without saying why: $(cat ../said)"
    else
        cmp -s ../expected ../got || fail "wrong signatures with -j $jobs: $(diff ../expected ../got | head -n 4)"
    fi
done
echo "contraction: $("$fused" --version | tail -n 1)"
