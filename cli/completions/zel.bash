# bash completion for zel: the commands, the options each command takes and file names; decode
# offers the names ending in _ZEL (and folders) first, and all names when none does.
# Installed as share/bash-completion/completions/zel, where bash-completion finds it the first
# time zel is completed. It needs nothing of bash-completion: `source` it to use it without.

# Offers the file names that start with $2; with a pattern in $1, those that match it and the
# folders, unless no name matches it.
_zel_files() {
    local -a names=()
    if [[ -n $1 ]]; then
        mapfile -t names < <(compgen -f -X "!$1" -- "$2")
        ((${#names[@]} == 0)) || mapfile -t -O ${#names[@]} names < <(compgen -d -- "$2")
    fi
    ((${#names[@]} > 0)) || mapfile -t names < <(compgen -f -- "$2")
    # Quotes what the shell would take apart, and gives folders their slash.
    compopt -o filenames 2>/dev/null
    COMPREPLY=("${names[@]/#/$3}")
}

_zel() {
    local cur=${COMP_WORDS[COMP_CWORD]} word command="" expect="" ended="" prefix="" i
    # The words before the cursor: options may come before or after the command, which is the
    # first word that is neither an option nor an option's value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $expect ]]; then
            # bash splits "--output=x" at the "=" (COMP_WORDBREAKS): the value comes after it.
            [[ $word == = && $expect == --* ]] || expect=""
        elif [[ -n $ended || $word != -?* ]]; then
            [[ -n $command ]] || command=$word
        elif [[ $word == -- ]]; then
            ended=1
        elif [[ $word == --output || $word == --key || $word == --key-file ]]; then
            expect=$word
        elif [[ $word != --* ]]; then
            # Letters run together (-qo): one that takes a value takes the rest of the word,
            # or the next word when it is the last.
            local before_value=${word%%[ok]*}
            ((${#before_value} != ${#word} - 1)) || expect=-${word: -1}
        fi
    done

    if [[ -n $expect && $cur == = ]]; then
        cur=""
    elif [[ -z $expect && -z $ended && $cur == --*=* ]]; then
        # The same without "=" among the word breaks: the value is the rest of the word.
        expect=${cur%%=*}
        [[ $COMP_WORDBREAKS == *=* ]] || prefix=$expect=
        cur=${cur#*=}
    fi
    case $expect in
        -k | --key) return ;; # a key is not completed
        ?*)
            _zel_files "" "$cur" "$prefix"
            return
            ;;
    esac

    if [[ -z $ended && $cur == -* ]]; then
        local options="-o --output -q --quiet -h --help --version"
        [[ $command == code ]] || options+=" -k --key --key-file"
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "code decode" -- "$cur")
    elif [[ $command == decode ]]; then
        _zel_files "*_ZEL" "$cur"
    else
        _zel_files "" "$cur"
    fi
}

complete -F _zel zel
