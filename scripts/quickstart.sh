#!/usr/bin/env bash
# From a fresh machine to a first import: installs what is missing, builds
# the toolset, creates the user's embedded repository (registered as the
# data source norvak) with the message set Orders (C and COBOL bindings),
# imports the shipped example into it, lists the repository and exports the
# message set back as a definitions file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

# The repository $XDG_DATA_HOME/norvak/repository.db and the data source
# norvak in the user's odbc.ini, unless that data source exists already.
build/bin/norvakinit
# The message set is created once; a later run finds it (exit code 2) and goes on.
build/bin/norvakinit -n norvak -s Orders -l C,COBOL || [ $? -eq 2 ]
build/bin/norvakload -f examples/orders.xml
build/bin/norvakshow -n norvak
build/bin/norvakexport -n norvak -s Orders -o build/orders-export.xml
echo "The message set Orders, exported: build/orders-export.xml"
