# bash completion for kelvane-calc                           -*- shell-script -*-

# The transceiver file kelvane-calc would use: --data-file, else ./DataTran.Dat,
# else the per-user one that the window started from the menu keeps.
_kelvane_calc_data_file()
{
    local i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data-file)
                printf '%s\n' "${words[i + 1]/#\~/$HOME}"
                return
                ;;
            --data-file=*)
                printf '%s\n' "${words[i]#--data-file=}"
                return
                ;;
        esac
    done
    if [[ -e DataTran.Dat ]]; then
        printf '%s\n' DataTran.Dat
    elif [[ ${XDG_DATA_HOME-} == /* ]]; then
        printf '%s\n' "$XDG_DATA_HOME/kelvane/DataTran.Dat"
    else
        printf '%s\n' "$HOME/.local/share/kelvane/DataTran.Dat"
    fi
}

# Adds to COMPREPLY the transceiver names starting with $cur: the text up to the
# first zero byte at the start of each whole 440-byte record.
_kelvane_calc_names()
{
    local file byte char name
    local -a record
    file=$(_kelvane_calc_data_file)
    [[ -f $file && -r $file ]] || return
    while read -r -a record; do
        ((${#record[@]} == 440)) || continue
        name=
        for byte in "${record[@]:0:15}"; do
            [[ $byte == 00 ]] && break
            printf -v char "\\x$byte"
            name+=$char
        done
        [[ -n $name && $name == "$cur"* ]] || continue
        printf -v name '%q' "$name"
        COMPREPLY+=("$name")
    done < <(od -An -v -tx1 -w440 -- "$file" 2>/dev/null)
}

_kelvane_calc()
{
    local cur prev words cword split
    _init_completion -s || return

    local i subcommand= action=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            transceiver) [[ -z $subcommand ]] && subcommand=transceiver ;;
            plan) ((i == 1)) && subcommand=plan ;;
            list | show | add | set | delete | export | import)
                [[ -n $subcommand && -z $action ]] && action=${words[i]} ;;
        esac
    done

    case $prev in
        --format)
            if [[ $action == export ]]; then
                COMPREPLY=($(compgen -W 'csv json' -- "$cur"))
            else
                COMPREPLY=($(compgen -W 'table csv json' -- "$cur"))
            fi
            return
            ;;
        --rules)
            COMPREPLY=($(compgen -W 'standard none all' -- "$cur"))
            return
            ;;
        --sample-point | --data-sample-point)
            COMPREPLY=($(compgen -W 'cia' -- "$cur"))
            return
            ;;
        --network)
            _filedir json
            return
            ;;
        --svg)
            _filedir svg
            return
            ;;
        --transceiver)
            _kelvane_calc_names
            return
            ;;
        --controller)
            COMPREPLY=($(compgen -W 'sja1000 mcp2515 c_can d_can bxcan m_can mcp2518fd
                flexcan flexcan-fd esp32-twai' -- "$cur"))
            return
            ;;
        --controller-file)
            _filedir json
            return
            ;;
        --data-file)
            _filedir
            return
            ;;
        --from-ip-json)
            _filedir
            [[ - == "$cur"* ]] && COMPREPLY+=(-)
            return
            ;;
        --ip-link | --device)
            COMPREPLY=($(compgen -W "$(command ls /sys/class/net 2>/dev/null)" -- "$cur"))
            return
            ;;
        --osc | --clock-hz | --tolerance | --divider | --prop-ns | --line-length | --line-delay | \
            --data-bitrate | --tdc-loop-ns | --node | --bus-length | \
            --logic-delay | --wait | --description | --on-txd | --off-txd | \
            --on-rxd | --off-rxd)
            return
            ;;
    esac
    [[ $split == true ]] && return

    if [[ $subcommand == transceiver ]]; then
        if [[ -z $action ]]; then
            COMPREPLY=($(compgen -W 'list show add set delete export import
                --data-file --wait --help' -- "$cur"))
        elif [[ $cur == -* ]]; then
            local options='--data-file --wait --help'
            case $action in
                add | set) options+=' --description --on-txd --off-txd --on-rxd --off-rxd' ;;
                export | import) options+=' --format' ;;
            esac
            COMPREPLY=($(compgen -W "$options" -- "$cur"))
        else
            case $action in
                show | set | delete) [[ $prev == "$action" ]] && _kelvane_calc_names ;;
                import) [[ $prev == import ]] && _filedir ;;
            esac
        fi
        return
    fi

    if [[ $subcommand == plan ]]; then
        [[ $cur == -* ]] && COMPREPLY=($(compgen -W '--help --node --network --data-bitrate
            --sample-point --data-sample-point --bus-length --line-delay --format --picture
            --svg --data-file --controller-file' -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --version --decode --osc --tolerance --divider
            --large-tolerance --rules --prop-ns --transceiver --line-length --line-delay
            --logic-delay --data-file --band --retry-band --sample-point --best --nearest
            --ip-link --from-ip-json --device --format --controller --controller-file
            --clock-hz --all --list-controllers --decode-registers --data-bitrate
            --data-sample-point --tdc-loop-ns --picture --svg' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
    elif ((cword == 1)); then
        COMPREPLY=($(compgen -W 'transceiver plan' -- "$cur"))
    fi
} &&
    complete -F _kelvane_calc kelvane-calc

# ex: filetype=sh
