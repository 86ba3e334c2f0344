# The completion function of tonedot (bash).  The build puts the program's commands, options
# and parameters before it (cmake/make-completion.py), as _tonedot_commands, _tonedot_params,
# _tonedot_layers and the functions _tonedot_subcommands, _tonedot_options, _tonedot_argument,
# _tonedot_option_value and _tonedot_param_values, which answer in _tonedot_reply.

# Offers every candidate that starts with the word's text, as readline replaces it: the part
# of the word before its last '=' or ':' (COMP_WORDBREAKS) stays; an open quote needs no
# escapes, a closed one ("NAME=" as readline leaves it) is replaced whole, in quotes again,
# an unquoted word escapes spaces and the like.
_tonedot_offer() {
    local candidate
    for candidate in "$@"; do
        [[ $candidate == "$_tonedot_text"* ]] || continue
        candidate=${candidate:${#_tonedot_kept}}
        if [[ -n $_tonedot_closed ]]; then
            COMPREPLY+=("$_tonedot_closed$candidate$_tonedot_closed")
        elif [[ -n $_tonedot_quote ]]; then
            COMPREPLY+=("$candidate")
        else
            COMPREPLY+=("$(printf '%q' "$candidate")")
        fi
    done
}

# The files and folders (with a '/', to go on into them) whose names start with the text.
_tonedot_files() {
    local file
    _tonedot_reply=()
    while IFS= read -r file; do
        [[ -z $file ]] && continue
        if [[ -d $file ]]; then
            file+=/
            compopt -o nospace 2>/dev/null
        fi
        _tonedot_reply+=("$file")
    done < <(compgen -f -- "$1")
}

# Offers NAME= for the names given, or once NAME= is typed, the values of NAME (from the
# function named by the first argument, or file names and the words after it for a layer).
_tonedot_offer_assignment() {
    local values=$1 prefix=$2
    shift 2
    local text=${_tonedot_text#"$prefix"}
    if [[ $text != *=* ]]; then
        local names=() name
        for name in "$@"; do names+=("$prefix$name="); done
        _tonedot_offer "${names[@]}"
        compopt -o nospace 2>/dev/null
        return
    fi
    local name=${text%%=*} value=${text#*=} choices=() choice
    if [[ $values == layer ]]; then
        _tonedot_files "$value"
        choices=("${_tonedot_reply[@]}")
        _tonedot_reply=(self none)
    else
        "$values" "$name"
    fi
    for choice in "${_tonedot_reply[@]}" "${choices[@]}"; do
        [[ -n $choice ]] && _tonedot_offer "$prefix$name=$choice"
    done
}

# Offers what a value of the kind given takes; prefix: the part of the word before it.
_tonedot_offer_kind() {
    local prefix=$1 kind=$2
    shift 2
    case $kind in
        file)
            _tonedot_files "${_tonedot_text#"$prefix"}"
            local file
            for file in "${_tonedot_reply[@]}"; do _tonedot_offer "$prefix$file"; done
            ;;
        param) _tonedot_offer_assignment _tonedot_param_values "$prefix" "${_tonedot_params[@]}" ;;
        layer) _tonedot_offer_assignment layer "$prefix" "${_tonedot_layers[@]}" ;;
        words) _tonedot_offer "$@" ;;
        commands) _tonedot_offer "${_tonedot_commands[@]}" ;;
    esac
}

_tonedot() {
    COMPREPLY=()
    local _tonedot_reply=() _tonedot_quote="" _tonedot_closed="" _tonedot_text _tonedot_kept=""
    # Words as the user sees them: bash splits "NAME=VALUE" and "--option=value" at '=' and
    # ':' when unquoted; join the pieces again.
    local words=() i word glue=0
    for ((i = 0; i <= COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if ((i > 1)) && [[ $word =~ ^[=:]+$ ]]; then
            words[-1]+=$word
            glue=1
        elif ((glue)); then
            words[-1]+=$word
            glue=0
        else
            words+=("$word")
        fi
    done
    local current=${words[-1]} piece=${COMP_WORDS[COMP_CWORD]}
    # What readline replaces: the word after an open quote, or after the last break.
    if [[ $current =~ ^([\"\']).*([\"\'])$ && ${#current} -gt 1 && ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]]; then
        _tonedot_closed=${current:0:1}
        _tonedot_text=${current:1:${#current}-2}
    elif [[ $current == [\"\']* ]]; then
        _tonedot_quote=${current:0:1}
        _tonedot_text=${current:1}
    else
        _tonedot_text=${current//\\/}
        if [[ $piece =~ ^[=:]+$ ]]; then
            _tonedot_kept=$_tonedot_text
        elif [[ $current != "$piece" ]]; then
            local rest=${piece//\\/}
            _tonedot_kept=${_tonedot_text:0:${#_tonedot_text}-${#rest}}
        fi
    fi

    local count=${#words[@]}
    if ((count == 2)); then
        _tonedot_offer "${_tonedot_commands[@]}" --help -h --version
        return
    fi
    local command=${words[1]} first=2
    _tonedot_subcommands "$command"
    if ((${#_tonedot_reply[@]})); then
        if ((count == 3)); then
            _tonedot_offer "${_tonedot_reply[@]}"
            return
        fi
        command+=" ${words[2]}"
        first=3
    fi

    # The value of an option: "--option VALUE" or "--option=VALUE".
    local option="" prefix=""
    if [[ $_tonedot_text == --*=* ]]; then
        option=${_tonedot_text%%=*}
        prefix="$option="
    elif ((count - 1 > first)); then
        option=${words[-2]}
    fi
    if [[ -n $option ]]; then
        _tonedot_option_value "$command $option"
        if ((${#_tonedot_reply[@]})); then
            _tonedot_offer_kind "$prefix" "${_tonedot_reply[@]}"
            return
        fi
    fi
    if [[ $_tonedot_text == -* ]]; then
        _tonedot_options "$command"
        _tonedot_offer "${_tonedot_reply[@]}"
        return
    fi
    # The command's first argument (any later one is taken as a file name).
    _tonedot_argument "$command"
    local kind=("${_tonedot_reply[@]}")
    local arguments=0
    for ((i = first; i < count - 1; i++)); do
        if [[ ${words[i]} == -* && ${words[i]} != *=* ]]; then
            _tonedot_option_value "$command ${words[i]}"
            ((${#_tonedot_reply[@]})) && ((i++))
        else
            ((arguments++))
        fi
    done
    ((arguments > 0)) && kind=(file)
    [[ ${kind[0]} == none ]] || _tonedot_offer_kind "" "${kind[@]}"
}
complete -F _tonedot tonedot
