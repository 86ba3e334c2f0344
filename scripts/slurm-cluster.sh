#!/usr/bin/env bash
# A throw-away one-node Slurm cluster on this machine, on the loopback address only:
# munged (its own key and socket), slurmctld and slurmd, all state under one folder.
#
#   bash scripts/slurm-cluster.sh start DIR   # prints the SLURM_CONF line to export
#   bash scripts/slurm-cluster.sh stop DIR    # cancels its jobs, stops its daemons
#
# Exit codes of "start": 0 running; 77 the daemons cannot run here (the message says why;
# whatever was started is stopped again).  Needs root (slurmd starts each job as its user)
# and Debian's slurmctld, slurmd, slurm-client and munge.  No cgroups: job processes are
# tracked through the process tree.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
ACTION=$1
DIR=$2
CONF="$DIR/slurm.conf"
NODE=tonedot-node

stop_pidfile() {  # stops the process a pid file names, if it still is the one we started
  local file=$1 name=$2 pid
  [ -s "$file" ] || return 0
  pid=$(cat "$file")
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do [ -e "/proc/$pid" ] || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$file"
}

stop_cluster() {
  # Jobs first (their steps run under slurmstepd), then the daemons in reverse order.
  if [ -s "$DIR/run/slurmctld.pid" ] && [ -f "$CONF" ]; then
    SLURM_CONF="$CONF" timeout 10 scancel --full --quiet --user="$(id -un)" 2>/dev/null || true
    sleep 1
  fi
  stop_pidfile "$DIR/run/slurmd.pid" slurmd
  stop_pidfile "$DIR/run/slurmctld.pid" slurmctld
  # A step daemon left behind (with its job's processes) holds a file of this cluster open.
  local p
  for p in $(pgrep -x slurmstepd 2>/dev/null || true); do
    if ls -l "/proc/$p/fd" 2>/dev/null | grep -qF -- "$DIR/"; then
      local sid
      sid=$(ps -o sid= -p "$p" | tr -d ' ')
      # the step daemon runs in a session of its own with its job's processes
      if [ -n "$sid" ] && [ "$sid" -gt 1 ] && [ "$sid" != "$(ps -o sid= -p $$ | tr -d ' ')" ]; then
        pkill -9 -s "$sid" 2>/dev/null || true
      fi
      kill -9 "$p" 2>/dev/null || true
    fi
  done
  stop_pidfile "$DIR/run/munged.pid" munged
}

skip() {
  echo "slurm-cluster: cannot run a local Slurm cluster here: $*" >&2
  stop_cluster
  exit 77
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

loopback_only() {  # every address the name resolves to is a loopback one
  local addrs
  addrs=$(getent ahosts "$1" | awk '{print $1}' | sort -u)
  [ -n "$addrs" ] && ! grep -qvE '^(127\.|::1$)' <<<"$addrs"
}

write_config() {
  local socket=$1 ctldport slurmdport
  ctldport=$(free_port)
  slurmdport=$(free_port)
  cat >"$CONF" <<EOF
ClusterName=tonedot
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctldport
SlurmdPort=$slurmdport
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
MessageTimeout=5
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$DIR/state
SlurmdSpoolDir=$DIR/spool
SlurmctldPidFile=$DIR/run/slurmctld.pid
SlurmdPidFile=$DIR/run/slurmd.pid
SlurmctldLogFile=$DIR/log/slurmctld.log
SlurmdLogFile=$DIR/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=30
MinJobAge=600
NodeName=$NODE NodeAddr=127.0.0.1 NodeHostname=localhost CPUs=$(nproc) State=UNKNOWN
PartitionName=local Nodes=$NODE Default=YES MaxTime=INFINITE State=UP
EOF
}

start_cluster() {
  [ "$(id -u)" -eq 0 ] || skip "slurmd must run as root (this is uid $(id -u))."
  local tool
  for tool in munged slurmctld slurmd sbatch squeue scancel sinfo python3 ss; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (Debian packages slurmctld slurmd slurm-client munge)."
  done
  # The daemons bind to the address this machine's name resolves to.  Where that is not a
  # loopback address they run in a namespace of their own in which the name is "localhost".
  local wrap=()
  if ! loopback_only "$(hostname)"; then
    loopback_only localhost || skip "\"localhost\" does not resolve to loopback addresses only."
    unshare --uts true 2>/dev/null ||
      skip "this machine's name \"$(hostname)\" resolves beyond loopback and no UTS namespace can be made, so the daemons would listen beyond loopback."
    wrap=(unshare --uts sh -c 'hostname localhost && exec "$@"' sh)
  fi
  [ -e "$DIR/run/slurmctld.pid" ] && stop_cluster
  mkdir -p "$DIR"/{munge,run,log,state,spool}
  DIR=$(cd "$DIR" && pwd)
  CONF="$DIR/slurm.conf"
  chmod 0711 "$DIR/munge"

  # munge: a fresh key and a socket of our own; it refuses group- or world-writable folders.
  dd if=/dev/urandom of="$DIR/munge/munge.key" bs=1024 count=1 status=none
  chmod 0400 "$DIR/munge/munge.key"
  local socket="$DIR/munge/munge.socket"
  munged --force --socket="$socket" --key-file="$DIR/munge/munge.key" \
    --pid-file="$DIR/run/munged.pid" --log-file="$DIR/log/munged.log" \
    --seed-file="$DIR/munge/munged.seed" --origin=127.0.0.1 ||
    skip "munged did not start (see $DIR/log/munged.log)."
  for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
  [ -S "$socket" ] || skip "munged made no socket (see $DIR/log/munged.log)."

  write_config "$socket"
  export SLURM_CONF="$CONF"
  "${wrap[@]}" slurmctld -f "$CONF" -i || skip "slurmctld did not start (see $DIR/log/slurmctld.log)."
  "${wrap[@]}" slurmd -f "$CONF" -N "$NODE" || skip "slurmd did not start (see $DIR/log/slurmd.log)."
  local state="" deadline=$((SECONDS + 30))
  while [ $SECONDS -lt $deadline ]; do
    state=$(timeout 5 sinfo -h -n "$NODE" -o %t 2>/dev/null || true)
    case "$state" in idle | mix | alloc) break ;; esac
    sleep 0.3
  done
  case "$state" in
    idle | mix | alloc) ;;
    *) skip "the node did not come up within 30 s (state \"$state\"; see $DIR/log/)." ;;
  esac
  # Whatever the resolver said: a daemon listening anywhere but on loopback is stopped.
  local pids listeners
  pids=$(cat "$DIR"/run/{slurmctld,slurmd,munged}.pid | paste -sd'|')
  listeners=$(ss -Hltnp | grep -E "pid=($pids)," | awk '{print $4}' || true)
  [ -n "$listeners" ] || skip "cannot see the daemons' listening sockets."
  if grep -qvE '^127\.' <<<"$listeners"; then
    skip "a daemon listens beyond loopback: $(tr '\n' ' ' <<<"$listeners")"
  fi
  echo "export SLURM_CONF=$CONF"
}

case "$ACTION" in
  start) start_cluster ;;
  stop)
    [ -d "$DIR" ] || exit 0
    DIR=$(cd "$DIR" && pwd)
    CONF="$DIR/slurm.conf"
    stop_cluster
    ;;
  *) usage ;;
esac
