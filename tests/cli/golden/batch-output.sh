#!/usr/bin/env bash
# The batch mode's output on the two measured flow-curve sets, as one text: for each set the
# standard output and error of
#   vornel --fit best --refine --report --validate --export <every table and subroutine format> ...
# (not openradioss, whose card holds only the Hensel-Spittel laws, not the law best chooses)
# verbatim, then the SHA-256 of every file the run wrote. The files of the run are large;
# their digests tell whether one byte changed, and the run's folder is kept for a look when
# one did (its path is printed).
#
#   batch-output.sh VORNEL DATA_FOLDER WORK_FOLDER           prints the text
#   batch-output.sh VORNEL DATA_FOLDER WORK_FOLDER EXPECTED  compares it with EXPECTED
#
# Exit status 77 (a skip for CTest) when a measured set is not in DATA_FOLDER, or 1 (a
# failure) when the environment variable VORNEL_REQUIRE_ORACLES is 1, as CI sets it.
set -euo pipefail
vornel=$(realpath "$1") data=$(realpath -m "$2") work=$(realpath -m "$3") expected=${4:+$(realpath "$4")}
sets=(steel-gleeble bst-compression)
for set in "${sets[@]}"; do
  if [ ! -f "$data/$set/conditions.txt" ]; then
    echo "the measured set $set is not at $data/$set" >&2
    if [ "${VORNEL_REQUIRE_ORACLES:-}" = 1 ]; then
      echo "VORNEL_REQUIRE_ORACLES=1: no skip for want of the measured data" >&2
      exit 1
    fi
    exit 77
  fi
done
rm -rf "$work" && mkdir -p "$work"
text() {
  for set in "${sets[@]}"; do
    local dir="$work/$set"
    mkdir -p "$dir"
    local rc=0
    (cd "$dir" && "$vornel" --fit best --refine --report --validate --name "$set" \
        --curves "$data/$set/conditions.txt" \
        --export uhard law_uhard.f --export vuhard law_vuhard.f --export abaqus law.inp \
        --export calculix law_ccx.inp --export-rate 0.1 \
        --export lsdyna law.k --export csv law.csv >stdout.txt 2>stderr.txt) || rc=$?
    echo "== $set: status $rc"
    echo "-- standard output"
    cat "$dir/stdout.txt"
    echo "-- standard error"
    cat "$dir/stderr.txt"
    echo "-- files"
    (cd "$dir" && for f in law_uhard.f law_vuhard.f law.inp law_ccx.inp law.k law.csv progr.f90 visual.tmp temp.mat "$set.mat"; do
       if [ -f "$f" ]; then sha256sum "$f"; else echo "missing  $f"; fi
     done)
  done
}
if [ -z "$expected" ]; then
  text
  exit 0
fi
text >"$work/actual.txt"
if ! diff -u "$expected" "$work/actual.txt"; then
  echo "the batch output differs from $expected; the run's files are in $work" >&2
  exit 1
fi
