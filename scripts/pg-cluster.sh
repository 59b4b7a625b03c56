# shellcheck shell=bash
# Sourced by the bench scripts: a throwaway PostgreSQL 15 cluster of their
# own (initdb and pg_ctl as user postgres when run as root), listening only
# on a unix socket in its folder, durability off as in the tests.
pgbin=/usr/lib/postgresql/15/bin
asPostgres=()

# True when the server programs are installed.
pg_installed() { [ -x "$pgbin/initdb" ]; }

# pg_start FOLDER: makes and starts the cluster in FOLDER (its socket is
# there too); FOLDER's parent must let user postgres in.
pg_start() {
  local pg=$1
  mkdir -p "$pg"
  if [ "$(id -u)" = 0 ]; then
    chmod 755 "$(dirname "$pg")"
    chown postgres: "$pg"
    asPostgres=(runuser -u postgres --)
  fi
  "${asPostgres[@]}" "$pgbin/initdb" -D "$pg/data" -A trust -U postgres -E UTF8 --locale=C \
    --no-sync >"$pg/initdb.log" 2>&1
  "${asPostgres[@]}" "$pgbin/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w -o \
    "-k $pg -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null
}

# pg_stop FOLDER
pg_stop() { "${asPostgres[@]}" "$pgbin/pg_ctl" -D "$1/data" -m immediate -w stop >/dev/null; }
