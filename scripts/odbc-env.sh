# Points the tools at the project's embedded repository: a SQLite database
# file in .repository/, reached through the ODBC data source "norvak" that
# .repository/odbc.ini defines. Source it:   . scripts/odbc-env.sh
norvak_repository="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/.repository"
mkdir -p "$norvak_repository"
if [ ! -f "$norvak_repository/odbc.ini" ]; then
  cat > "$norvak_repository/odbc.ini" <<INI
[norvak]
Description=Embedded Norvak repository
Driver=SQLite3
Database=$norvak_repository/norvak.db
INI
fi
export ODBCINI="$norvak_repository/odbc.ini"
unset norvak_repository
