#!/usr/bin/env bash
# Starts or stops the private PostgreSQL cluster the end-to-end tests use.
#
#   scripts/postgres.sh start   create the cluster when missing, start it when
#                               it is not running, make sure role norvak exists
#   scripts/postgres.sh stop    stop it (the files stay for the next start)
#
# NORVAK_PG_DIR  folder of the cluster (default /tmp/norvak-pg); its unix
#                socket and log file are there too
# NORVAK_PG_PORT TCP port on 127.0.0.1 (default 54329)
#
# The cluster accepts local connections only, with trust authentication, so
# any password is accepted. Role norvak (password norvak) may log in and
# create databases. Role norvak_password alone must give its password
# (Password-4-tests) over TCP: the tests of a refused password use it. Run as root, the cluster belongs to the postgres system
# user; run as anyone else, it belongs to that user.
set -euo pipefail

dir=${NORVAK_PG_DIR:-/tmp/norvak-pg}
port=${NORVAK_PG_PORT:-54329}
data=$dir/data
log=$dir/server.log

fail() {
  echo "postgres.sh: $*" >&2
  exit 1
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] && [ -x "$bin/pg_ctl" ] || fail "no PostgreSQL server found under /usr/lib/postgresql (run scripts/setup.sh)"

if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  as_owner() { (cd / && runuser -u postgres -- "$@"); }
else
  owner=$(id -un)
  as_owner() { "$@"; }
fi

running() {
  as_owner "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1
}

psql_admin() {
  as_owner "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres -d postgres "$@"
}

start() {
  mkdir -p "$dir"
  chown "$owner" "$dir"
  chmod 700 "$dir"
  as_owner test -w "$dir" || fail "$owner cannot write to $dir (is a parent folder closed to it?)"

  if [ ! -f "$data/PG_VERSION" ]; then
    rm -rf "$data"
    as_owner "$bin/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C --no-sync --no-instructions \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; fail "initdb failed in $data"; }
    cat >>"$data/postgresql.conf" <<EOF
# Test cluster: local only, durability traded for speed.
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
EOF
  fi

  # The one role whose password is checked, before the lines that trust all.
  local hba=$data/pg_hba.conf
  local password_line="host all norvak_password 127.0.0.1/32 scram-sha-256"
  local hba_changed=false
  if ! grep -qxF "$password_line" "$hba"; then
    as_owner sed -i "1i $password_line" "$hba" || fail "could not change $hba"
    hba_changed=true
  fi

  local fresh=false
  if running; then
    local current
    current=$(sed -n 4p "$data/postmaster.pid")
    [ "$current" = "$port" ] || fail "the cluster in $dir is already running on port $current, not $port"
    if [ "$hba_changed" = true ]; then
      as_owner "$bin/pg_ctl" -D "$data" reload >/dev/null || fail "the server did not reload $hba"
    fi
  else
    # The port lives on the command line so that a changed NORVAK_PG_PORT takes.
    if ! as_owner "$bin/pg_ctl" -D "$data" -l "$log" -w -t 60 -o "-p $port" start >/dev/null; then
      tail -n 30 "$log" >&2 || true
      fail "the server did not start (port $port on 127.0.0.1, folder $dir)"
    fi
    fresh=true
  fi

  psql_admin <<'EOF' || fail "could not set up role norvak (is the server in $dir up?)"
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'norvak') THEN
    CREATE ROLE norvak LOGIN CREATEDB PASSWORD 'norvak';
  END IF;
END
$$;
-- Tests make users of their own (one that may only read, for instance).
ALTER ROLE norvak CREATEROLE;
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'norvak_password') THEN
    CREATE ROLE norvak_password LOGIN;
  END IF;
END
$$;
SET password_encryption = 'scram-sha-256';
ALTER ROLE norvak_password PASSWORD 'Password-4-tests';
EOF
  [ "$fresh" = true ] || return 0
  # Databases left behind by test processes that did not end normally.
  local leftovers
  leftovers=$(psql_admin -A -t -c "SELECT datname FROM pg_database WHERE datname LIKE 'norvak\_test\_%'") ||
    fail "could not list the databases"
  for name in $leftovers; do
    psql_admin -c "DROP DATABASE \"$name\" WITH (FORCE)" || fail "could not drop database $name"
  done
}

stop() {
  [ -f "$data/PG_VERSION" ] || return 0
  running || return 0
  as_owner "$bin/pg_ctl" -D "$data" -m fast -w -t 60 stop >/dev/null ||
    { tail -n 30 "$log" >&2 || true; fail "the server did not stop"; }
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
