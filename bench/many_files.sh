#!/usr/bin/env bash
# Many small files: what a series of curves costs.
#   bench/many_files.sh [WORK_DIR]      (default: build-bench/many)
# Environment: KURVEX (the program, default build/kurvex), FILES (2000),
# POINTS (500), PAIRS (3), PYTHONPATH as for the module (default
# build/python/module).
# 1. Instructions (valgrind's callgrind, which counts the same whatever the
#    machine's load) of `kurvex --version`, of a --batch run on one file, and
#    of gnuplot smoothing the same file (smooth acsplines, as compare.sh).
# 2. FILES files of POINTS points into a fit table and a mark table with GNU
#    parallel -j 2, against a Python loop with the module over the same
#    files (read, fit, marks), PAIRS pairs taken in turn: wall seconds and
#    milliseconds per file, and the median of the ratios.
# Needs parallel, valgrind and gnuplot-nox (installed when run as root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build-bench/many}
KURVEX=$(realpath "${KURVEX:-$root/build/kurvex}")
files=${FILES:-2000} points=${POINTS:-500} pairs=${PAIRS:-3}
export PYTHONPATH=${PYTHONPATH:-$root/build/python/module}
need=()
for tool in parallel valgrind gnuplot; do command -v "$tool" >/dev/null || need+=("$tool"); done
if [ ${#need[@]} -gt 0 ]; then
  pkgs=("${need[@]/gnuplot/gnuplot-nox}")
  [ "$(id -u)" = 0 ] || { echo "many_files.sh: install ${pkgs[*]}" >&2; exit 1; }
  apt-get install -y "${pkgs[@]}" >/dev/null
fi
mkdir -p "$work/files"
cd "$work"
[ -s one.dat ] || /usr/bin/python3 "$root/bench/make_data.py" "$points" one.dat
for ((i = 0; i < files; i++)); do f=files/c$i.dat; [ -e "$f" ] || cp one.dat "$f"; done

# callgrind's count of instructions of a command.
count() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | awk '/Collected :/ {print $4}'; }
cat > run.gp <<GP
set table 'gnuplot.tab'; set samples 1000; plot 'one.dat' using 1:2:(1.0/\$3**2) smooth acsplines
GP
v=$(count "$KURVEX" --version)
k=$(count "$KURVEX" --batch one.dat 1 2 0 3 < /dev/null)
g=$(count gnuplot run.gp)
echo "instructions: kurvex --version $v, kurvex --batch ($points points) $k, gnuplot $g, kurvex/gnuplot $(awk "BEGIN{printf \"%.2f\", $k / $g}")"

cat > loop.py <<'PY'
import glob, sys, kurvex
for path in sorted(glob.glob("files/*.dat")):
    s = kurvex.fit(kurvex.read(path, error=3))
    s.marks()
PY
# wall seconds of a command, run in the files' folder.
wall() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); awk "BEGIN{printf \"%.3f\", $t1 - $t0}"; }
batch() {
  rm -f tables/fits.csv tables/marks.csv; mkdir -p tables out
  (cd out && ls ../files/*.dat | parallel -j 2 "$KURVEX" --batch -c FitTableFileName=../tables/fits.csv \
     -c MarkTableFileName=../tables/marks.csv -c LogFileName=%n.log -c OutputFileName=%n.out \
     -c CalcDataFileName=%n.cal {} 1 2 0 3 '<' /dev/null)
}
ratios=() tb=() tp=()
for ((p = 0; p < pairs; p++)); do
  a=$(wall batch) b=$(wall /usr/bin/python3 loop.py)
  tb+=("$a") tp+=("$b") ratios+=("$(awk "BEGIN{printf \"%.3f\", $a / $b}")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
rows=$(($(wc -l < tables/fits.csv) - 1))
mb=$(median "${tb[@]}") mp=$(median "${tp[@]}")
echo "$files files of $points points: parallel -j 2 into the tables $mb s ($(awk "BEGIN{printf \"%.2f\", 1000 * $mb / $files}") ms a file, $rows fit rows); Python loop $mp s ($(awk "BEGIN{printf \"%.2f\", 1000 * $mp / $files}") ms a file); median ratio $(median "${ratios[@]}") over $pairs pairs"
