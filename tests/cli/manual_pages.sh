#!/bin/sh
# The manual pages made from firma's help, in each language: written in that
# language, naming every option the help names, holding nothing of the machine
# that made them, and read by man without a warning.
# Usage: manual_pages.sh FIRMA MANUAL_DIR
set -eu
firma=$1 manual=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "$language page: $*"; status=1; }

# language, locale, a heading only that language's page has
for case in "en C.UTF-8 DESCRIPTION" "es es_ES.UTF-8 DESCRIPCIÓN"; do
    set -- $case
    language=$1 locale=$2 heading=$3
    page=$manual/$language/firma.1
    LANGUAGE= LC_ALL=$locale "$firma" --help > "$scratch/help"
    LANGUAGE= LC_ALL=$locale "$firma" --version > "$scratch/version"
    LC_ALL=$locale MANWIDTH=2000 man --warnings --nh --nj -l "$page" 2> "$scratch/warnings" |
        col -b > "$scratch/text"

    [ -s "$scratch/warnings" ] && fail "man warns: $(cat "$scratch/warnings")"
    grep -q "^$heading" "$scratch/text" || fail "no $heading heading"
    for option in $(grep -o -- '--[a-z][a-z-]*' "$scratch/help" | sort -u); do
        grep -q -- "$option" "$scratch/text" || fail "no $option"
    done
    # What --help and --version say of this machine: the default number of
    # jobs (the help's second-last line) and the kernels.
    jobs=$(tail -n 2 "$scratch/help" | head -n 1)
    case $jobs in *-j*[0-9]*) ;; *) fail "no default jobs where the help should say them: $jobs" ;; esac
    grep -qF -- "$jobs" "$scratch/text" && fail "holds this machine's $jobs"
    kernels=$(tail -n 1 "$scratch/version")
    grep -qF -- "$kernels" "$scratch/text" && fail "holds this machine's kernels"
    grep -q "^firma $(head -n 1 "$scratch/version" | cut -d' ' -f2)" "$scratch/text" ||
        fail "not of firma's version"
done
exit $status
