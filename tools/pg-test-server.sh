#!/usr/bin/env bash
# A throw-away PostgreSQL server for the archive's tests, listening only on a
# Unix socket in its own folder:
#   pg-test-server.sh start DIR   makes DIR/data with initdb and starts it
#   pg-test-server.sh stop DIR    stops it at once and removes what start made
#   pg-test-server.sh kill DIR    stops it at once and keeps its data (start
#                                 it again with pg-test-server.sh restart DIR)
#   pg-test-server.sh restart DIR starts a killed server again
# The socket is DIR/.s.PGSQL.5432. The role postgres logs in without a
# password; the role kestrune_pw, owner of the database kestrune_pw, needs
# its password "kestrune-secret".
# initdb refuses root: as root the server runs as the postgres system user.
set -euo pipefail
action=${1:?start, stop or kill}
dir=$(realpath -m "${2:?folder}")
bin=${PG_BIN:-/usr/lib/postgresql/15/bin}
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  as_owner=(runuser -u postgres --)
fi

run_server() {
  "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
    -o "-k $dir -c listen_addresses='' -c hba_file=$dir/hba.conf -c fsync=off" start >/dev/null
}

case $action in
start)
  # What a run that was killed left behind goes first.
  bash "$0" stop "$dir"
  mkdir -p "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir"
  fi
  chmod 700 "$dir"
  "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust --auth-local=trust \
    -E UTF8 --no-instructions >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
  cat >"$dir/hba.conf" <<'EOF'
local all kestrune_pw scram-sha-256
local all all trust
EOF
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir/hba.conf"
  fi
  run_server
  "${as_owner[@]}" "$bin/psql" -h "$dir" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
    -c "SET password_encryption = 'scram-sha-256'" \
    -c "CREATE ROLE kestrune_pw LOGIN PASSWORD 'kestrune-secret'" \
    -c "CREATE DATABASE kestrune_pw OWNER kestrune_pw" >/dev/null
  ;;
restart)
  run_server
  ;;
stop | kill)
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || true
  fi
  if [ "$action" = stop ]; then
    rm -rf "$dir/data" "$dir/hba.conf" "$dir/initdb.log" "$dir/server.log"
    rmdir "$dir" 2>/dev/null || true
  fi
  ;;
*)
  echo "usage: $0 start|stop|kill DIR" >&2
  exit 2
  ;;
esac
