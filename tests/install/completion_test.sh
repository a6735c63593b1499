#!/bin/sh
# The completions of zel for SHELL (bash, zsh or fish), loaded by that shell from where
# `cmake --install` put them under PREFIX (bash-completion's own loader is not needed: the
# script is sourced from its place), and tried in a folder of a coded file, a plain one and one
# whose name starts with "-": the commands, after options too; the options of each command;
# for decode the coded names first and all names when none fits; no key; "--" and "--output=".
# A shell that is not installed skips, saying so.
# Usage: completion_test.sh SHELL PREFIX WORK_DIR
set -eu
shell=$1 prefix=$2 work=$3
here=$(cd "${0%/*}" && pwd)
. "$here/../packaging/checks.sh"
if ! command -v "$shell" >/dev/null; then
    echo "SKIPPED: $shell is not installed (Debian package $shell; scripts/setup.sh installs it)"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work/files"
cd "$work/files"
touch a_ZEL b.txt ./-notes

# `offers EXPECTED WORD...`: completing the last WORD of the command line offers EXPECTED, the
# candidates in sorted order, one blank between them. zsh is checked for the line its Tab
# leaves.
case $shell in
bash)
    completions() {
        bash --norc --noprofile -c '
            . "$1"
            shift
            # The function that `complete` names for zel, called as bash calls it.
            registered=$(complete -p zel) || exit 1
            function=${registered#*-F } function=${function%% *}
            COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
            COMPREPLY=()
            "$function" zel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}"
        ' - "$prefix/share/bash-completion/completions/zel" "$@" | LC_ALL=C sort | paste -sd' ' -
    }
    ;;
fish)
    # fish looks in share/fish/vendor_completions.d of each folder of XDG_DATA_DIRS, for a
    # command on the PATH; HOME and the XDG folders of its own keep any configuration out.
    mkdir "$work/home"
    completions() {
        env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
            XDG_DATA_HOME="$work/home/.local/share" \
            XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
            PATH="$prefix/bin:$PATH" fish -c 'complete -C"$argv"' "$@" |
            cut -f1 | LC_ALL=C sort | paste -sd' ' -
    }
    ;;
esac
offers() {
    expected=$1
    shift
    check "$shell: '$*<Tab>' offers '$expected'" test "$(completions "$@")" = "$expected"
}

if [ "$shell" = zsh ]; then
    # One zsh takes every line, as it starts slowly; then each line is checked for what its Tab
    # made of it. A case is "TYPED|BECOMES|".
    cases="zel d|zel decode |
zel -q -o out d|zel -q -o out decode |
zel -qo out d|zel -qo out decode |
zel code --key-f|zel code --key-f|
zel decode --key-f|zel decode --key-file=|
zel decode |zel decode a_ZEL |
zel decode b|zel decode b.txt |
zel decode -k |zel decode -k |
zel decode --output=-|zel decode --output=-notes |
zel code -- -n|zel code -- -notes |"
    set --
    while IFS= read -r line; do set -- "$@" "${line%%|*}"; done <<END
$cases
END
    zsh -f "$here/zsh_complete.zsh" "$prefix/share/zsh/vendor-completions" "$work/report" "$@"
    number=1
    while IFS= read -r line; do
        typed=${line%%|*} expected=${line#*|} expected=${expected%|}
        became=$(sed -n "${number}s/^<\(.*\)>\$/\1/p" "$work/report")
        check "zsh: '$typed<Tab>' becomes '$expected'" test "$became" = "$expected"
        number=$((number + 1))
    done <<END
$cases
END
    all_passed
    exit
fi
offers "decode" zel d
offers "code decode" zel ""
offers "decode" zel -q -o out d
offers "decode" zel -qo out d
offers "--help --output --quiet --version" zel code --
offers "--key --key-file" zel decode --k
offers "a_ZEL" zel decode ""
offers "b.txt" zel decode b
offers "-notes a_ZEL b.txt" zel code ""
offers "-notes a_ZEL b.txt" zel decode -o ""
offers "" zel decode -k ""
offers "-notes" zel code -- -n
# A value given after "=" is a name, even one that starts like an option.
if [ "$shell" = bash ]; then
    # bash takes "--output=-" apart at the "=" (COMP_WORDBREAKS).
    offers "-notes" zel decode --output = -
else
    offers "--output=-notes" zel decode --output=-
fi
all_passed
