#!/usr/bin/env bash
# Renders a sequence as a Slurm job array on a throw-away one-node cluster of this machine
# (scripts/slurm-cluster.sh: loopback only, torn down at the end) and checks it:
#   1. the script from "tonedot render --print-slurm-script 4" renders 24 frames in 4 tasks,
#      byte for byte the frames of a local run, although the job sees other stored defaults;
#   2. one task cancelled midway and the script submitted again: only that task's missing
#      frames are rendered (every other output keeps its inode and modification time).
# Where the daemons cannot run (not root, no Slurm, no loopback-only name) it says why and
# skips.  Needs a built tonedot (BUILD_DIR, default build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
TONEDOT="$ROOT/${BUILD_DIR:-build}/cli/tonedot"
[ -x "$TONEDOT" ] || { echo "test-slurm: $TONEDOT is not built (bash scripts/build.sh)." >&2; exit 1; }

skip() { echo "test-slurm: SKIPPED: $*" >&2; exit 0; }
fail() { echo "test-slurm: FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "the local cluster's slurmd must run as root (this is uid $(id -u))."

PACKAGES=(slurmctld slurmd slurm-client munge python3)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

WORK=$(mktemp -d /tmp/tonedot-slurm-XXXXXX)
CLUSTER="$WORK/cluster"
cleanup() {
  bash "$ROOT/scripts/slurm-cluster.sh" stop "$CLUSTER" || true
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
started=$SECONDS

set +e
conf_line=$(bash scripts/slurm-cluster.sh start "$CLUSTER")
rc=$?
set -e
[ $rc -eq 77 ] && skip "the local Slurm cluster could not start (message above)."
[ $rc -eq 0 ] || fail "scripts/slurm-cluster.sh start ended with $rc."
eval "$conf_line"  # SLURM_CONF
echo "test-slurm: cluster up in $((SECONDS - started)) s ($(sinfo -h -o '%D node, %c CPUs'))"

# The input: a 2400 x 1600 picture (big enough that a task of 6 frames takes seconds).
cd "$WORK"
python3 - <<'EOF'
import struct, zlib
w, h = 2400, 1600
rows = bytearray()
for y in range(h):
    rows.append(0)
    rows += bytes((x * 255 // w, y * 255 // h, (x ^ y) & 255)[c] for x in range(w) for c in range(3))
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
with open("in.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(rows), 1)) + chunk(b"IEND", b""))
EOF

# The submitting user's stored defaults differ from those the job sees: the script
# carries the submitter's starting values, so the job renders what a local run renders.
export XDG_CONFIG_HOME="$WORK/config-here"
"$TONEDOT" defaults save --set "Dot Size=14" --set "Dot Shape=Star" --quiet
XDG_CONFIG_HOME="$WORK/config-node" "$TONEDOT" defaults save --set "Dot Size=4" --quiet
LOOK=(--set "Random Interval=2" --set "Size=0.5" --jobs 1)

mkdir local farm
"$TONEDOT" render in.png -o local/f.%04d.png --frames 1-24 "${LOOK[@]}" --quiet
"$TONEDOT" render in.png -o farm/f.%04d.png --frames 1-24 "${LOOK[@]}" --print-slurm-script 4 >job.sh
grep -q '^#SBATCH --array=0-3$' job.sh || fail "the script is not an array of 4 tasks: $(grep SBATCH job.sh)"

submit() { sbatch --parsable --export="ALL,XDG_CONFIG_HOME=$WORK/config-node" --output="$WORK/log-%A_%a.txt" job.sh; }
job_state() { squeue -h -j "$1" -o %T 2>/dev/null | sort -u | paste -sd,; }
wait_job() {  # until no task of the job is queued or running (at most 5 minutes)
  local deadline=$((SECONDS + 300))
  while [ -n "$(job_state "$1")" ]; do
    [ $SECONDS -lt $deadline ] || fail "job $1 still $(job_state "$1") after 5 minutes."
    sleep 0.5
  done
}
frame_names() { for f in "$@"; do printf 'f.%04d.png\n' "$f"; done; }

# 1. The whole array against the local run.
t=$SECONDS
job=$(submit)
wait_job "$job"
for k in 0 1 2 3; do
  grep -q "wrote 6 frames" "$WORK/log-${job}_$k.txt" || fail "task $k: $(cat "$WORK/log-${job}_$k.txt")"
done
diff <(ls local) <(ls farm) || fail "the farm's frames are not the local run's."
for f in local/*; do cmp -s "$f" "farm/${f#local/}" || fail "farm/${f#local/} differs from the local run."; done
echo "test-slurm: 24 frames in 4 array tasks ($((SECONDS - t)) s) equal the local run byte for byte"

# 2. Task 2 (frames 13-18) cancelled midway, the script submitted again.
rm -f farm/*
t=$SECONDS
job=$(submit)
first=farm/f.0013.png
deadline=$((SECONDS + 120))
until [ -e "$first" ]; do
  [ $SECONDS -lt $deadline ] || fail "task 2 wrote nothing in 2 minutes."
  [ -n "$(job_state "$job")" ] || fail "the job ended before task 2 wrote a frame."
  sleep 0.05
done
scancel "${job}_2"
wait_job "$job"
shard2=$(frame_names $(seq 13 18))
kept=$(cd farm && ls f.00{13..18}.png 2>/dev/null || true)
gone=$(comm -23 <(echo "$shard2") <(echo "$kept"))
[ -n "$gone" ] || fail "task 2 finished all its frames before the cancel took effect."
others=$(comm -23 <(frame_names $(seq 1 24)) <(echo "$shard2"))
for f in $others; do [ -e "farm/$f" ] || fail "farm/$f of another task is missing."; done
ls farm | grep -v '^f\.[0-9]*\.png$' && fail "the cancel left something besides whole frames."
before=$(cd farm && stat -c '%n %i %Y.%y' *)
echo "test-slurm: task 2 cancelled with $(echo "$kept" | grep -c .) of 6 frames written ($((SECONDS - t)) s)"

t=$SECONDS
job=$(submit)
wait_job "$job"
after=$(cd farm && stat -c '%n %i %Y.%y' *)
[ "$(comm -23 <(echo "$before") <(echo "$after"))" = "" ] || fail "frames that were there were written again."
rendered=$(comm -13 <(echo "$before" | cut -d' ' -f1) <(echo "$after" | cut -d' ' -f1))
[ "$rendered" = "$gone" ] || fail "rendered again: $(echo $rendered); missing were: $(echo $gone)"
for k in 0 1 3; do
  grep -q "every output is there already" "$WORK/log-${job}_$k.txt" || fail "task $k: $(cat "$WORK/log-${job}_$k.txt")"
done
for f in local/*; do cmp -s "$f" "farm/${f#local/}" || fail "farm/${f#local/} differs from the local run."; done
echo "test-slurm: re-submitted, $(echo "$gone" | grep -c .) missing frames rendered and nothing else ($((SECONDS - t)) s)"
echo "test-slurm: passed in $((SECONDS - started)) s"
