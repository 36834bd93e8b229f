
# Completion of KyvFlash and KyvFlashCom: model names, the type letters the chosen model
# takes, its interfaces, the serial settings, image files and the trailing options.
_kyvflash_upper() { local w=${1#/}; printf '%s' "${w^^}"; }

_kyvflash_complete() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local program=${COMP_WORDS[0]##*/}
    local first=1
    COMPREPLY=()

    if [[ $program == KyvFlash && $COMP_CWORD -ge 2 && ${COMP_WORDS[1],,} == --dry-run ]]; then
        first=2
    fi
    local pos=$((COMP_CWORD - first)) # 0 model, 1 type, 2 interface, then settings and file

    if ((pos == 0)); then
        local options=()
        if ((first == 1)); then
            if [[ $program == KyvFlash ]]; then options=(--help --version --dry-run); else options=(--version); fi
        fi
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$(printf '%s\n' "${options[@]}" "${_kyvflash_models[@]}")" -- "$cur"))
        return
    fi

    local model
    model=$(_kyvflash_upper "${COMP_WORDS[first]}")
    if ((pos == 1)); then
        COMPREPLY=($(compgen -W "${_kyvflash_types[$model]-M I}" -- "${cur^^}"))
        return
    fi
    if ((pos == 2)); then
        local words=() word
        for word in ${_kyvflash_interfaces[$model]-COM}; do
            if [[ $word == COM ]]; then
                local n
                for ((n = 1; n <= 50; n++)); do words+=("COM$n"); done
            else
                words+=("$word")
            fi
        done
        COMPREPLY=($(compgen -W "${words[*]}" -- "${cur^^}"))
        return
    fi

    local interface settings=0 after
    interface=$(_kyvflash_upper "${COMP_WORDS[first + 2]}")
    case $interface in
    COM*) settings=3 ;;
    LAN* | WIFI*) settings=1 ;;
    esac
    after=$((pos - 3)) # position after the interface
    if ((after < settings)); then
        case $interface in
        COM*)
            case $after in
            0) COMPREPLY=($(compgen -W "115200 57600 38400 19200 9600" -- "$cur")) ;;
            1) COMPREPLY=($(compgen -W "NONE EVEN ODD" -- "${cur^^}")) ;;
            2) COMPREPLY=($(compgen -W "1 2" -- "$cur")) ;;
            esac
            ;;
        esac
        return # an IP address has nothing to offer
    fi
    if ((after == settings)); then
        # The image file.
        if declare -F _filedir >/dev/null; then
            _filedir
        else
            local IFS=$'\n'
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        return
    fi
    local options="PRINT NOPRINT RETSTAT NORETSTAT"
    if [[ $program == KyvFlashCom ]]; then
        options+=" ERRORTIMEOUT="
        compopt -o nospace 2>/dev/null
        [[ ${cur^^} == ERRORTIMEOUT=* ]] && return
    elif ((after == settings + 1)); then
        options+=" SKIP NOSKIP"
    fi
    COMPREPLY=($(compgen -W "$options" -- "${cur^^}"))
    [[ $program == KyvFlashCom && ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} != *= ]] && COMPREPLY[0]+=" "
}

complete -F _kyvflash_complete KyvFlash KyvFlashCom
