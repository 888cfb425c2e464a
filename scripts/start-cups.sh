#!/usr/bin/env bash
# Makes sure a CUPS scheduler runs here with a PDF printer (cups-pdf) named TrevantoPDF,
# so that the print tests have a real printer to print on, and a second one,
# TrevantoRefuses, that takes no jobs, as a printer an administrator closed. The first becomes the
# system's default when there is none yet; a machine that already has a default keeps
# it, and the tests choose TrevantoPDF through the PRINTER variable instead.
#
# Prints one line on standard output: the folder where the printer writes the PDFs of
# jobs sent by the current user. Everything else goes to standard error.
# Needs root (to start the scheduler and add the printer). When this script starts the
# scheduler itself and TREVANTO_CUPSD_PIDFILE is set, it writes the scheduler's process
# id there, so that the caller can stop it again.
set -euo pipefail

queue=TrevantoPDF
refusing=TrevantoRefuses

say() { echo "start-cups: $*" >&2; }

if [[ $(id -u) -ne 0 ]]; then
    say "needs root to start the print server and add a printer"
    exit 2
fi
for tool in cupsd lpadmin lpstat lpinfo cupsenable cupsaccept cupsreject; do
    if ! command -v "$tool" >/dev/null 2>&1 && [[ ! -x /usr/sbin/$tool ]]; then
        say "$tool is missing (packages cups, printer-driver-cups-pdf)"
        exit 2
    fi
done
export PATH="$PATH:/usr/sbin:/sbin"

scheduler_running() {
    lpstat -r 2>/dev/null | grep -q "scheduler is running"
}

wait_for_scheduler() {
    for _ in $(seq 1 100); do
        scheduler_running && return 0
        sleep 0.2
    done
    return 1
}

if ! scheduler_running; then
    if [[ -d /run/systemd/system ]] && systemctl start cups >/dev/null 2>&1 && wait_for_scheduler; then
        say "started the cups service"
    else
        # No service manager here (a container): run the scheduler in the foreground of
        # its own session, detached from our output so that callers reading it see EOF.
        mkdir -p /run/cups
        setsid cupsd -f </dev/null >/dev/null 2>&1 &
        cupsd_pid=$!
        if ! wait_for_scheduler; then
            say "cupsd did not come up; see /var/log/cups/error_log"
            exit 1
        fi
        if [[ -n "${TREVANTO_CUPSD_PIDFILE:-}" ]]; then
            echo "$cupsd_pid" >"$TREVANTO_CUPSD_PIDFILE"
        fi
        say "started cupsd (process $cupsd_pid)"
    fi
fi

if ! lpstat -p "$queue" >/dev/null 2>&1 || ! lpstat -p "$refusing" >/dev/null 2>&1; then
    models=$(lpinfo -m 2>/dev/null || true)
    model=$(awk '$1 ~ /CUPS-PDF_opt\.ppd$/ {print $1; exit}' <<<"$models")
    [[ -n "$model" ]] || model=$(awk '$1 ~ /CUPS-PDF_noopt\.ppd$/ {print $1; exit}' <<<"$models")
    [[ -n "$model" ]] || model=$(awk 'tolower($0) ~ /cups-pdf/ {print $1; exit}' <<<"$models")
    if [[ -z "$model" ]]; then
        say "no cups-pdf driver found (package printer-driver-cups-pdf)"
        exit 1
    fi
    # lpadmin warns that drivers are deprecated; cups-pdf still needs its PPD.
    for name in "$queue" "$refusing"; do
        lpadmin -p "$name" -E -v cups-pdf:/ -m "$model" 2>/dev/null
        say "added printer $name ($model)"
    done
fi
cupsenable "$queue" "$refusing"
cupsaccept "$queue"
# The second queue takes no jobs, as a printer an administrator has closed.
cupsreject "$refusing"
if ! lpstat -d 2>/dev/null | grep -q "system default destination:"; then
    lpadmin -d "$queue"
    say "$queue is the system's default printer"
fi

# cups-pdf writes into its Out folder, in which ${HOME} and ${USER} stand for the job's
# owner; a queue-specific configuration wins over the general one.
conf=/etc/cups/cups-pdf-$queue.conf
[[ -f "$conf" ]] || conf=/etc/cups/cups-pdf.conf
out=$(awk '$1 == "Out" {sub(/^[ \t]*Out[ \t]+/, ""); line = $0} END {print line}' "$conf" 2>/dev/null || true)
[[ -n "$out" ]] || out='${HOME}/PDF'
user=$(id -un)
home=$(getent passwd "$user" | cut -d: -f6)
out=${out//'${HOME}'/$home}
out=${out//'${USER}'/$user}
echo "$out"
