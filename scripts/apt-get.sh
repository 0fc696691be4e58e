# Sourced by the scripts that install packages: apt_get runs apt-get as root, and waits while
# another apt run (a second setup started beside this one, the system's own updates) holds apt's
# locks. Installing waits for the package lock by itself; "apt-get update" gives up at once when
# the lists are locked, so it is tried again every few seconds, for at most ten minutes.
apt_sudo=""
if [ "$(id -u)" != 0 ]; then apt_sudo="sudo"; fi

apt_get() {
  local errors attempt status=0
  errors=$(mktemp)
  for attempt in $(seq 120); do
    status=0
    $apt_sudo env DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes \
      apt-get -o DPkg::Lock::Timeout=600 "$@" 2>"$errors" || status=$?
    if [ $status = 0 ] || ! grep -q 'Could not get lock' "$errors"; then
      break
    fi
    [ "$attempt" = 1 ] && echo "apt-get: waiting for another apt run to finish" >&2
    sleep 5
  done
  cat "$errors" >&2
  rm -f "$errors"
  return $status
}
