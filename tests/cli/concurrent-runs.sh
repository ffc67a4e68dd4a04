#!/usr/bin/env bash
# Ten batch runs at once in one folder, on two materials: each prints exactly what the same run
# prints alone (runs in one folder take turns on its lock). Then the same ten with the folder's
# lock file made unopenable (a folder of that name): every run ends with status 2, names the
# lock file and prints no result.
#
#   concurrent-runs.sh VORNEL EXAMPLE_FOLDER WORK_FOLDER
set -uo pipefail
vornel=$(realpath "$1") example=$(realpath "$2") work=$(realpath -m "$3")
rm -rf "$work" && mkdir -p "$work/alone" "$work/shared"
# Two materials: the example's first six curves and its last six.
grep -v '^#' "$example/curves.txt" | grep . | head -n 6 | sed "s|^|$example/|" >"$work/a.txt"
grep -v '^#' "$example/curves.txt" | grep . | tail -n 6 | sed "s|^|$example/|" >"$work/b.txt"
run() { # folder material -> stdout in folder/out.<material>.<n>, status in .rc
  local folder=$1 material=$2 n=$3
  (cd "$folder" && "$vornel" --fit 9 --report --name "$material" --curves "$work/$material.txt" \
      >"out.$material.$n" 2>"err.$material.$n"; echo $? >"rc.$material.$n")
}
wrong=0
for material in a b; do
  run "$work/alone" "$material" 0
done
for n in 1 2 3 4 5; do
  run "$work/shared" a "$n" & run "$work/shared" b "$n" &
done
wait
for n in 1 2 3 4 5; do
  for material in a b; do
    if [ "$(cat "$work/shared/rc.$material.$n")" != 0 ] || ! cmp -s "$work/alone/out.$material.0" "$work/shared/out.$material.$n"; then
      echo "run $n of material $material differs from the same run alone:"; cat "$work/shared/err.$material.$n"
      wrong=$((wrong + 1))
    fi
  done
done
rm -rf "$work/locked" && mkdir -p "$work/locked/temp.mat.lock"
for n in 1 2 3 4 5; do
  run "$work/locked" a "$n" & run "$work/locked" b "$n" &
done
wait
for n in 1 2 3 4 5; do
  for material in a b; do
    if [ "$(cat "$work/locked/rc.$material.$n")" != 2 ] || [ -s "$work/locked/out.$material.$n" ] ||
       ! grep -q "temp.mat.lock: cannot take the folder's lock" "$work/locked/err.$material.$n"; then
      echo "run $n of material $material ran without the folder's lock:"; cat "$work/locked/err.$material.$n"
      wrong=$((wrong + 1))
    fi
  done
done
[ -e "$work/locked/temp.mat" ] && { echo "a run without the lock wrote temp.mat"; wrong=$((wrong + 1)); }
echo "$wrong of 20 runs wrong"
[ "$wrong" = 0 ]
