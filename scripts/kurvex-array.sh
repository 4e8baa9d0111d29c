#!/bin/sh
# One task of a Slurm job array: fits FILES_PER_TASK data files of the
# list given as argument 1 (one name a line), those of the task's index,
# each with result files of its own (%n) and the two tables for all.
#   ls *.dat > files.txt
#   sbatch --array=0-N scripts/kurvex-array.sh files.txt
# with N = (number of files + FILES_PER_TASK - 1) / FILES_PER_TASK - 1.
#SBATCH --job-name=kurvex
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=1
set -eu
list=${1:?usage: kurvex-array.sh LIST}
per=${FILES_PER_TASK:-100}
first=$(( ${SLURM_ARRAY_TASK_ID:-0} * per + 1 ))
tail -n +"$first" "$list" | head -n "$per" | while IFS= read -r file; do
  kurvex --batch -c FitTableFileName=fits.csv -c MarkTableFileName=marks.csv \
    -c LogFileName=%n.log -c OutputFileName=%n.out -c CalcDataFileName=%n.cal \
    -c ReportFileName=%n.json "$file" < /dev/null
done
