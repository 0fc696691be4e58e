# Sourced by the scripts that run Windows programs under Wine: a headless Wine with its own prefix
# per checkout (so runs from two checkouts never share or stop a server), booted once, and a
# persistent server with Wine's background services already up, stopped when the script exits.
# Without that, each program starts the services and they keep the caller's output pipe open.
export WINEPREFIX=${WINEPREFIX:-/tmp/brindle-wine-$(printf '%s' "$root" | cksum | cut -d' ' -f1)}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
wineserver -p </dev/null >/dev/null 2>&1 || true # already running is fine
# Wine's own words are kept: a session that cannot start a program says why.
wine_boot_log=$(mktemp)
if ! wine cmd /c exit 0 </dev/null >"$wine_boot_log" 2>&1; then
  echo "wine-session: Wine could not start a program in $WINEPREFIX:" >&2
  cat "$wine_boot_log" >&2
  rm -f "$wine_boot_log"
  exit 1
fi
rm -f "$wine_boot_log"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
