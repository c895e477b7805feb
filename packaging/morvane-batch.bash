# Bash completion for morvane-batch: its options, profile names after -p, --profile and
# --show-profile (asked from the program itself), folders after -o, media files elsewhere.
_morvane_batch() {
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    case "$prev" in
        -p|--profile|--show-profile)
            local IFS=$'\n'
            local names
            names="$("${COMP_WORDS[0]}" --list-profiles 2>/dev/null | sed 's/\t.*//')"
            # Names hold blanks: each candidate is one word, quoted as the shell needs it.
            COMPREPLY=()
            local name
            for name in $names; do
                if [[ "$name" == "$cur"* ]]; then
                    COMPREPLY+=("$(printf '%q' "$name")")
                fi
            done
            return 0
            ;;
        -o|--output)
            local IFS=$'\n'
            COMPREPLY=($(compgen -d -- "$cur"))
            compopt -o filenames 2>/dev/null
            return 0
            ;;
        --start|--end)
            COMPREPLY=()
            return 0
            ;;
        -j|--jobs)
            COMPREPLY=($(compgen -W "1 2 3 4 6 8 12 16" -- "$cur"))
            return 0
            ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "-p --profile -o --output --start --end -j --jobs --json --list-profiles --show-profile --probe --help --version --" -- "$cur"))
        return 0
    fi
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$cur"))
    compopt -o filenames 2>/dev/null
}
complete -F _morvane_batch morvane-batch
