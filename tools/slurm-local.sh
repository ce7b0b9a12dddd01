#!/bin/bash
# Starts and stops a Slurm cluster of one machine: a controller and one node
# on localhost, authenticated by their own munge daemon, everything (keys,
# configuration, state, logs, sockets) kept in one folder and nothing in
# /etc, so it runs beside anything else on the machine.  For trying
# tools/tavoalign-batch --slurm and for its test.
#
#   tools/slurm-local.sh start DIR   makes DIR, starts munged, slurmctld and
#                                    slurmd, waits until the node takes jobs
#                                    and prints SLURM_CONF=DIR/slurm.conf
#   tools/slurm-local.sh stop DIR    stops the three daemons started in DIR
#
# Commands reach the cluster with SLURM_CONF set to DIR/slurm.conf.  Needs
# slurm-wlm and munge (tools/install-deps.sh all); the daemons run as the
# calling user, which must be root.  Exit status 0, 2 on a failure (the
# daemons' logs are in DIR).
set -u

usage() {
    echo "usage: slurm-local.sh start|stop DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
action=$1
dir=$2

# stop_daemons: ends the daemons whose pid files are in $dir, by their pids.
stop_daemons() {
    local name pid
    for name in slurmd slurmctld munged; do
        [ -f "$dir/$name.pid" ] || continue
        pid=$(<"$dir/$name.pid")
        [[ $pid =~ ^[0-9]+$ ]] || continue
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/$name.pid"
    done
}

fail() {
    echo "slurm-local.sh: $*; logs in $dir" >&2
    stop_daemons
    exit 2
}

case $action in
stop)
    [ -d "$dir" ] || { echo "slurm-local.sh: $dir: no such folder" >&2; exit 2; }
    stop_daemons
    exit 0
    ;;
start) ;;
*) usage ;;
esac

for program in munged slurmctld slurmd sinfo; do
    command -v "$program" >/dev/null || { echo "slurm-local.sh: $program is not installed" >&2; exit 2; }
done
[ "$(id -u)" -eq 0 ] || { echo "slurm-local.sh: the daemons must be started as root" >&2; exit 2; }
mkdir -p "$dir" || exit 2
dir=$(cd "$dir" && pwd)
chmod 700 "$dir"
mkdir -p "$dir/state" "$dir/spool" || exit 2

# Two free ports next to each other for the controller and the node.
port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=0
for _ in $(seq 1 50); do
    candidate=$((20000 + RANDOM % 20000))
    if port_free "$candidate" && port_free $((candidate + 1)); then
        port=$candidate
        break
    fi
done
[ "$port" -ne 0 ] || fail "no free port"

# munge: a key of its own and a socket in the folder.
dd if=/dev/urandom of="$dir/munge.key" bs=1024 count=1 status=none || fail "cannot write the munge key"
chmod 400 "$dir/munge.key"
munged --force --socket="$dir/munge.socket" --key-file="$dir/munge.key" --pid-file="$dir/munged.pid" \
    --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" || fail "munged did not start"

cpus=$(nproc)
cat >"$dir/slurm.conf" <<EOF
ClusterName=tavolocal
SlurmctldHost=localhost(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge.socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SlurmdTimeout=60
InactiveLimit=0
KillWait=5
MinJobAge=300
NodeName=tavonode NodeHostname=$(hostname) NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=local Nodes=tavonode Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$dir/slurm.conf"

slurmctld -i || fail "slurmctld did not start"
slurmd -N tavonode || fail "slurmd did not start"

# The node takes jobs once the controller sees it idle.
for _ in $(seq 1 100); do
    state=$(sinfo -h -N -o %t 2>/dev/null | head -1)
    case $state in idle*) echo "SLURM_CONF=$dir/slurm.conf"; exit 0 ;; esac
    sleep 0.3
done
fail "the node did not come up (state: ${state:-none})"
