#!/usr/bin/env bash
# Checks the installation and the Debian package of a configured and built
# build folder (default build/):
#   - cmake --install into a temporary prefix puts every program, manual page,
#     document, example and completion file in place, and the installed
#     programs run;
#   - every manual page renders without a warning and documents every option
#     of its program's --help;
#   - the bash completion offers each program's options, the data sources of
#     the odbc.ini files after -n and file names after -f, -o and --against, and
#     bash-completion loads it on demand for every program;
#   - cpack builds norvak_VERSION_ARCH.deb, whose control fields name the
#     package, its version and its dependencies, and whose files are those of
#     the installation, with stripped programs; lintian finds no error in it;
#   - as root: dpkg -i installs that package, and a new user with an empty
#     home, no odbc.ini and nothing in the environment runs norvakinit,
#     norvakinit -n norvak -s Orders, norvakload of the shipped example and
#     norvakshow -n norvak; the package and the user are removed again.
#     Without root (or with norvak installed already) that check says "skip".
# Needs no network. Usage: bash scripts/package.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(cd "${1:-build}" && pwd) || exit 2

# The programs: the first word of each line of programs.txt that is not a comment.
mapfile -t programs < <(sed -n 's/^[[:space:]]*\([^#[:space:]][^[:space:]]*\).*/\1/p' programs.txt)
if [ ${#programs[@]} -eq 0 ]; then
  echo "package: programs.txt names no program" >&2
  exit 2
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
if [ -z "$version" ]; then
  echo "package: $build is not a configured build folder" >&2
  exit 2
fi
arch=$(dpkg --print-architecture)

work=$(mktemp -d)
# man reads the pages as another user when run as root: the folder must be readable.
chmod 755 "$work"
# What the check of the installed package leaves, removed whatever happens.
installed_by_us=
fresh_user=
fresh_home=
clean_up() {
  if [ -n "$fresh_user" ]; then
    userdel "$fresh_user" >/dev/null 2>&1
  fi
  [ -z "$fresh_home" ] || rm -rf "$fresh_home"
  if [ -n "$installed_by_us" ]; then
    dpkg -r norvak >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap clean_up EXIT
prefix=$work/install/usr

passed=0
failed=0
group_errors=()
fail() { group_errors+=("$*"); }
# Runs one group of checks, a function that calls fail for each fault.
check() {
  local name=$1
  group_errors=()
  "$2"
  if [ ${#group_errors[@]} -eq 0 ]; then
    echo "ok   $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    printf '       %s\n' "${group_errors[@]}"
    failed=$((failed + 1))
  fi
}

# The options of a program's --help table, one a line: "-f", "--lock-timeout", "--help".
help_options() {
  "$1" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^  -[^ ]+(, -[^ ]+)*' | sed 's/^  //; s/, /\n/g'
}

# The files a tree holds, one relative path a line, links marked with their target.
tree_listing() {
  (cd "$1" && find . ! -type d -printf '%p %l\n' | sed 's/ $//' | sort)
}

expected_files() {
  local p f
  for p in "${programs[@]}"; do
    echo "bin/$p"
    echo "share/man/man1/$p.1.gz"
    echo "share/bash-completion/completions/$p"
  done
  for f in README.md definitions-format.md export.md diff.md apply.md generate.md json.md LICENSE copyright changelog.gz; do
    echo "share/doc/norvak/$f"
  done
  for f in docs/schemas/*.schema.json; do
    echo "share/doc/norvak/schemas/${f#docs/schemas/}"
  done
  for f in examples/*.xml examples/*.ini; do
    echo "share/doc/norvak/examples/${f#examples/}"
  done
}

install_tree() {
  if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    fail "cmake --install failed: $(tail -3 "$work/install.log")"
    return
  fi
  local f
  while read -r f; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
  done < <(expected_files)
  local unexpected
  unexpected=$(comm -13 <(expected_files | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort))
  [ -z "$unexpected" ] || fail "installed but not expected: $(echo $unexpected)"
  local p out
  for p in "${programs[@]}"; do
    [ -x "$prefix/bin/$p" ] || continue
    out=$("$prefix/bin/$p" --version 2>&1)
    [ "$out" = "$p $version" ] || fail "installed $p --version says '$out', not '$p $version'"
  done
  for f in definitions-format.md export.md diff.md apply.md generate.md; do
    cmp -s "docs/$f" "$prefix/share/doc/norvak/$f" || fail "installed $f differs from docs/$f"
  done
  for f in examples/*.xml examples/*.ini; do
    cmp -s "$f" "$prefix/share/doc/norvak/$f" || fail "installed $f differs from the shipped one"
  done
  local completions=$prefix/share/bash-completion/completions
  for p in "${programs[@]}"; do
    [ "$(readlink -f "$completions/$p")" = "$(readlink -f "$completions/norvakload")" ] ||
      fail "completion of $p is not the norvak completion file"
  done
}

manual_pages() {
  local p page text warnings section opt
  for p in "${programs[@]}"; do
    page=$prefix/share/man/man1/$p.1.gz
    [ -f "$page" ] || { fail "no manual page $page"; continue; }
    gzip -t "$page" 2>/dev/null || fail "$p.1.gz is not gzip data"
    for width in 80 64; do
      warnings=$(LC_ALL=C.UTF-8 MANWIDTH=$width man --warnings -l "$page" 2>&1 >/dev/null)
      [ -z "$warnings" ] || fail "$p.1 at width $width: $warnings"
    done
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES "SEE ALSO"; do
      grep -qx "$section" <<<"$text" || fail "$p.1 has no section $section"
    done
    head -1 <<<"$text" | grep -q "^${p^^}(1)" || fail "$p.1 is not the page ${p^^}(1)"
    tail -1 <<<"$text" | grep -q "^norvak $version " || fail "$p.1 does not name norvak $version"
    for file in '$ODBCINI' '~/.odbc.ini' /etc/odbc.ini '$XDG_DATA_HOME/norvak/repository.db' '<database>.norvak-lock'; do
      grep -qF -- "$file" <<<"$(sed -n '/^FILES$/,/^EXAMPLES$/p' <<<"$text")" || fail "$p.1: FILES does not name $file"
    done
    # Every option of the program's --help, as an entry of OPTIONS.
    section=$(sed -n '/^OPTIONS$/,/^EXIT STATUS$/p' <<<"$text")
    while read -r opt; do
      grep -qE -- "^ +$opt( |$)" <<<"$section" || fail "$p.1: OPTIONS has no entry for $opt"
    done < <(help_options "$build/bin/$p")
  done
}

# Runs the installed completion for a command line whose last word is being
# completed; prints the candidates, one a line.
complete_words() {
  HOME=$work/home ODBCINI=$work/odbc.ini bash -c '
    . "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _norvak
    printf "%s\n" "${COMPREPLY[@]}"' completion "$prefix/share/bash-completion/completions/norvakload" "$@"
}

bash_completion() {
  mkdir -p "$work/home" "$work/files"
  printf '[ODBC]\nTrace=No\n[orders_sqlite]\nDriver=SQLite3\n[orders pg]\nDriver=PostgreSQL ANSI\n' >"$work/odbc.ini"
  printf '[Default]\nDriver=SQLite3\n  [home_dsn]  \n[orders_sqlite]\n' >"$work/home/.odbc.ini"
  touch "$work/files/orders.xml" "$work/files/other.txt"
  local p got want
  for p in "${programs[@]}"; do
    want=$(help_options "$build/bin/$p" | sort)
    got=$(complete_words "$p" - | sort)
    [ "$got" = "$want" ] || fail "$p -<TAB> offers '$(echo $got)', --help lists '$(echo $want)'"
  done
  # Data sources: those of $ODBCINI and ~/.odbc.ini (and /etc/odbc.ini), each
  # once, without [ODBC] and [Default].
  got=$(complete_words norvakshow -n '')
  for want in orders_sqlite 'orders\ pg' home_dsn; do
    grep -qxF -- "$want" <<<"$got" || fail "norvakshow -n <TAB> does not offer $want"
  done
  [ "$(grep -cx orders_sqlite <<<"$got")" = 1 ] || fail "norvakshow -n <TAB> offers orders_sqlite more than once"
  grep -qxiE 'odbc|default' <<<"$got" && fail "norvakshow -n <TAB> offers the [ODBC] or [Default] section"
  got=$(complete_words norvakload -N h)
  [ "$got" = home_dsn ] || fail "norvakload -N h<TAB> offers '$got', not home_dsn"
  got=$(complete_words norvakload -f "$work/files/o")
  [ "$got" = "$work/files/orders.xml"$'\n'"$work/files/other.txt" ] || [ "$got" = "$work/files/other.txt"$'\n'"$work/files/orders.xml" ] ||
    fail "norvakload -f <TAB> offers '$(echo $got)'"
  got=$(complete_words norvakexport -o "$work/files/or")
  [ "$got" = "$work/files/orders.xml" ] || fail "norvakexport -o <TAB> offers '$got'"
  got=$(complete_words norvakdiff --against "$work/files/or")
  [ "$got" = "$work/files/orders.xml" ] || fail "norvakdiff --against <TAB> offers '$got'"
  got=$(complete_words norvakdiff --against old.xml -f "$work/files/or")
  [ "$got" = "$work/files/orders.xml" ] || fail "norvakdiff -f <TAB> offers '$got'"
  got=$(complete_words norvakshow -o '')
  grep -qx -- -n <<<"$got" || fail "norvakshow, which has no -o, completes a file after it"
  got=$(complete_words norvakinit -l C)
  [ "$(echo $got)" = "C COBOL C,COBOL" ] || fail "norvakinit -l C<TAB> offers '$(echo $got)'"
  # bash-completion finds the file under each program's name.
  local loader=/usr/share/bash-completion/bash_completion
  if [ -f "$loader" ]; then
    for p in "${programs[@]}"; do
      got=$(BASH_COMPLETION_USER_DIR=$prefix/share/bash-completion bash -c \
        '. "$1"; __load_completion "$2" && complete -p "$2"' load "$loader" "$p" 2>&1)
      grep -q -- "-F _norvak $p\$" <<<"$got" || fail "bash-completion does not load the completion of $p: $got"
    done
  else
    fail "bash-completion is not installed ($loader), so on-demand loading is unchecked"
  fi
}

debian_package() {
  local out=$work/deb
  if ! (cd "$build" && cpack -G DEB -B "$out") >"$work/cpack.log" 2>&1; then
    fail "cpack -G DEB failed: $(tail -5 "$work/cpack.log")"
    return
  fi
  local deb=$out/norvak_${version}_${arch}.deb
  if [ ! -f "$deb" ]; then
    fail "cpack made no $(basename "$deb"): $(cd "$out" && echo *.deb)"
    return
  fi
  local info field
  info=$(dpkg-deb --info "$deb")
  field() { sed -n "s/^ $1: //p" <<<"$info"; }
  [ "$(field Package)" = norvak ] || fail "Package: '$(field Package)'"
  [ "$(field Version)" = "$version" ] || fail "Version: '$(field Version)', not $version"
  [ "$(field Architecture)" = "$arch" ] || fail "Architecture: '$(field Architecture)'"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  # The package names of a relation field, one a line, without versions.
  names() { sed 's/ ([^)]*)//g; s/, */\n/g' <<<"$1"; }
  local dependency
  for dependency in unixodbc libsqliteodbc libodbc2 libuuid1 libc6 libstdc++6; do
    names "$(field Depends)" | grep -qxF "$dependency" || fail "Depends: '$(field Depends)' does not name $dependency"
  done
  for dependency in odbc-postgresql; do
    names "$(field Recommends)" | grep -qxF "$dependency" || fail "Recommends: '$(field Recommends)' does not name $dependency"
  done
  # Debian's own checks of a package: no error.
  local errors
  errors=$(lintian --no-tag-display-limit "$deb" 2>/dev/null | grep '^E: ')
  [ -z "$errors" ] || fail "lintian: $(echo $errors)"
  # dpkg -c lists what the installation holds, under /usr.
  local listed installed
  listed=$(dpkg -c "$deb" | awk '$1 !~ /^d/ { sub(/^[^.]*\.\/usr\//, ""); print }' | sed 's/ -> / /' | sort)
  installed=$(tree_listing "$prefix" | sed 's|^\./||')
  [ "$listed" = "$installed" ] ||
    fail "dpkg -c and the installation differ: $(diff <(echo "$listed") <(echo "$installed") | grep '^[<>]' | tr '\n' ' ')"
  # The packaged programs are stripped and run; its manual pages are those installed.
  dpkg-deb -x "$deb" "$work/unpacked"
  local p description
  for p in "${programs[@]}"; do
    description=$(file -b "$work/unpacked/usr/bin/$p")
    [[ $description == *", stripped"* ]] || fail "packaged $p is not stripped: $description"
    [ "$("$work/unpacked/usr/bin/$p" --version 2>&1)" = "$p $version" ] || fail "packaged $p --version fails"
    cmp -s "$work/unpacked/usr/share/man/man1/$p.1.gz" "$prefix/share/man/man1/$p.1.gz" ||
      fail "packaged $p.1.gz differs from the installed one"
  done
}

# Whether a line of a run's output is there, for the report of a fault.
has_line() { grep -qxF -- "$2" <<<"$1"; }

# The package as a new user meets it: installed with dpkg -i, run by a user
# with an empty home, no odbc.ini and an empty environment, who follows the
# README (norvakinit, then -n norvak) with the shipped example.
installed_package() {
  local deb=$work/deb/norvak_${version}_${arch}.deb
  [ -f "$deb" ] || { fail "no package was built to install"; return; }
  if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    installed_by_us=yes # half installed: removed all the same
    fail "dpkg -i failed: $(tail -3 "$work/dpkg.log")"
    return
  fi
  installed_by_us=yes
  fresh_home=$(mktemp -d /tmp/norvak-fresh-user-XXXXXX)
  fresh_user=nvk$$
  if ! useradd --no-create-home --home-dir "$fresh_home" --shell /bin/sh --user-group "$fresh_user" \
    >"$work/useradd.log" 2>&1; then
    fresh_user=
    fail "useradd failed: $(cat "$work/useradd.log")"
    return
  fi
  chown "$fresh_user:" "$fresh_home"
  chmod 700 "$fresh_home"
  [ -z "$(ls -A "$fresh_home")" ] || fail "the new user's home is not empty"
  # As that user, in the home, with nothing but PATH, HOME, USER and a locale.
  as_user() {
    (cd "$fresh_home" && runuser -u "$fresh_user" -- env -i PATH=/usr/bin:/bin HOME="$fresh_home" \
      USER="$fresh_user" LC_ALL=C.UTF-8 "$@")
  }
  local out rc
  out=$(as_user sh -c 'command -v norvakinit')
  [ "$out" = /usr/bin/norvakinit ] || fail "the user runs '$out', not the installed /usr/bin/norvakinit"
  out=$(as_user norvakinit 2>&1); rc=$?
  [ "$rc" = 0 ] || fail "norvakinit ended with $rc: $(tail -3 <<<"$out")"
  has_line "$out" "Created the repository $fresh_home/.local/share/norvak/repository.db and the data source norvak in $fresh_home/.odbc.ini: use -n norvak" ||
    fail "norvakinit did not say that it created the repository and the data source: $(head -3 <<<"$out")"
  [ -f "$fresh_home/.local/share/norvak/repository.db" ] || fail "norvakinit made no $fresh_home/.local/share/norvak/repository.db"
  grep -qx '\[norvak\]' "$fresh_home/.odbc.ini" 2>/dev/null || fail "no data source norvak in $fresh_home/.odbc.ini"
  out=$(as_user norvakinit -n norvak -s Orders 2>&1); rc=$?
  [ "$rc" = 0 ] || fail "norvakinit -n norvak -s Orders ended with $rc: $(tail -3 <<<"$out")"
  local example=/usr/share/doc/norvak/examples/orders.xml
  grep -q 'ZEP_DB="norvak"' "$example" || fail "$example does not name the data source norvak"
  out=$(as_user norvakload -f "$example" 2>&1); rc=$?
  [ "$rc" = 0 ] || fail "norvakload -f $example ended with $rc: $(tail -3 <<<"$out")"
  has_line "$out" "Import was successful - please restart the norvakhub" || fail "norvakload did not import: $(tail -3 <<<"$out")"
  out=$(as_user norvakshow -n norvak 2>&1); rc=$?
  [ "$rc" = 0 ] || fail "norvakshow -n norvak ended with $rc: $(tail -3 <<<"$out")"
  grep -qE '^[0-9]+ +[^ ]+ +[0-9]+ Orders$' <<<"$out" || fail "norvakshow -n norvak does not list Orders: $(echo $out)"
  grep -qE '^ +[0-9]+ PlaceOrder$' <<<"$out" || fail "norvakshow -n norvak does not list the message PlaceOrder"
}

echo "Installation and Debian package of $build (norvak $version)"
check "cmake --install puts every file in place" install_tree
check "manual pages render without warnings and document every option" manual_pages
check "bash completion of options, data sources and files" bash_completion
check "cpack -G DEB: control fields and contents" debian_package
if [ "$(id -u)" -ne 0 ]; then
  echo "skip dpkg -i and a first run by a new user with an empty home: needs root"
elif dpkg-query -W -f='${Status}' norvak 2>/dev/null | grep -q 'install ok installed'; then
  echo "skip dpkg -i and a first run by a new user with an empty home: norvak is installed on this machine already"
else
  # One installation at a time on this machine, whichever checkout runs it.
  exec 9>/tmp/norvak-package-install.lock
  flock 9
  check "dpkg -i, then a new user with an empty home and no odbc.ini: norvakinit, a message set, the example, the list" installed_package
  flock -u 9
fi
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
