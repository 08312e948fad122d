# Bash completion of the norvak tools: norvakload, norvakshow, norvakpurge,
# norvakinit, norvakexport and norvakdiff. Installed once, under the name
# norvakload, with a link for each other program, so that bash-completion loads
# it for whichever program is completed first.
#
# Completes the options of each program; after -n the ODBC data sources that
# the driver manager would find (the sections of $ODBCINI, ~/.odbc.ini and
# /etc/odbc.ini, less [ODBC] and [Default]); after -f, -o and --against file
# names; after -l the language bindings.

# The data source names of the odbc.ini files, one a line, each once.
_norvak_data_sources()
{
    local file line name
    local -A seen=()
    for file in "${ODBCINI-}" "${HOME:+$HOME/.odbc.ini}" /etc/odbc.ini; do
        [[ -n $file && -r $file && ! -d $file ]] || continue
        while IFS= read -r line || [[ -n $line ]]; do
            line=${line%$'\r'}
            [[ $line =~ ^[[:space:]]*\[([^]]+)\][[:space:]]*$ ]] || continue
            name=${BASH_REMATCH[1]}
            case ${name,,} in
                odbc | default) continue ;;
            esac
            [[ -n ${seen[$name]-} ]] && continue
            seen[$name]=1
            printf '%s\n' "$name"
        done <"$file"
    done
}

_norvak()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]##*/}
    COMPREPLY=()

    local options
    case $program in
        norvakload) options='-f -n -u -p -s -r -v -t -d -q -i --lock-timeout --format --help --version' ;;
        norvakshow) options='-n -u -p -h -s -q --quiet --format --help --version' ;;
        norvakpurge) options='-s -n -u -p -h --lock-timeout -q --quiet --format --help --version' ;;
        norvakinit) options='-n -u -p -h -s -l --data-source --user --password --schema --message-set --languages --lock-timeout -q --quiet --format --help --version' ;;
        norvakexport) options='-n -u -p -h -s -o --data-source --user --password --schema --message-set --output --canonical -q --quiet --format --help --version' ;;
        norvakdiff) options='-n -u -p -h -s -f --data-source --user --password --schema --message-set --file --against --format -q --quiet --help --version' ;;
        *) return 0 ;;
    esac

    # The programs read option letters in either case (-N is -n).
    local option=$prev
    [[ $option == -? ]] && option=${option,,}
    # A value option takes the next word only when it is one of this program's.
    if [[ " $options " == *" $option "* ]]; then
        case $option in
            -n | --data-source)
                local name
                while IFS= read -r name; do
                    [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
                done < <(_norvak_data_sources)
                return 0
                ;;
            -f | -o | --against | --file | --output)
                compopt -o filenames 2>/dev/null
                local IFS=$'\n'
                COMPREPLY=($(compgen -f -- "$cur"))
                return 0
                ;;
            -l | --languages)
                COMPREPLY=($(compgen -W 'C COBOL C,COBOL' -- "$cur"))
                return 0
                ;;
            --format)
                COMPREPLY=($(compgen -W 'json text' -- "$cur"))
                return 0
                ;;
            -u | -p | -s | -h | --lock-timeout | --user | --password | --message-set | --schema)
                return 0
                ;;
        esac
    fi

    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return 0
}

complete -F _norvak norvakload norvakshow norvakpurge norvakinit norvakexport norvakdiff
