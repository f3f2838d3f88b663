# bash completion for tavrel-cli
_tavrel_cli() {
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur="${COMP_WORDS[COMP_CWORD]}"
        prev="${COMP_WORDS[COMP_CWORD-1]}"
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }
    local globals="--broadcast --bind --local-port --device-port --timeout --json --lang --help --version"
    local commands
    commands=$(tavrel-cli --help 2>/dev/null | sed -n '/^Commands/,/^DEVICE/p' | awk '/^  [a-z]/ {print $1}')

    # The command is the first word after the global options and their values.
    local i command="" expects_value="--broadcast --bind --local-port --device-port --timeout --lang"
    for ((i = 1; i < cword; i++)); do
        local w="${words[i]}"
        if [[ " $expects_value " == *" $w "* ]]; then
            ((i++))
            continue
        fi
        [[ "$w" == --* ]] && continue
        command="$w"
        break
    done

    case "$prev" in
    --lang) COMPREPLY=($(compgen -W "en zh" -- "$cur")); return ;;
    --parity) COMPREPLY=($(compgen -W "NONE EVEN ODD" -- "$cur")); return ;;
    --stop-bits) COMPREPLY=($(compgen -W "1 1.5 2" -- "$cur")); return ;;
    --data-bits) COMPREPLY=($(compgen -W "7 8 9" -- "$cur")); return ;;
    --mode) COMPREPLY=($(compgen -W "TCP_SERVER TCP_CLIENT UDP_SERVER UDP_CLIENT AP STA" -- "$cur")); return ;;
    --protocol) COMPREPLY=($(compgen -W "custom modbus" -- "$cur")); return ;;
    --modbus) COMPREPLY=($(compgen -W "on off" -- "$cur")); return ;;
    --baud) COMPREPLY=($(compgen -W "600 1200 2400 4800 9600 14400 19200 38400 57600 115200 230400 460800 921600" -- "$cur")); return ;;
    esac

    if [ -z "$command" ]; then
        if [[ "$cur" == -* ]]; then
            COMPREPLY=($(compgen -W "$globals" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    if [[ "$cur" == -* ]]; then
        # A command's options are the --words of its own help text.
        local options
        options=$(tavrel-cli "$command" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    # Device selectors are not offered: finding them would mean a search on the network at every Tab.
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -F _tavrel_cli tavrel-cli
