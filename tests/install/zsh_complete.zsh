# Types each LINE and Tab into an interactive zsh that loads its completions from FOLDER (added
# to fpath, as Debian's zsh has its vendor-completions), and writes what the line became, one
# "<line>" each, into the file REPORT. zsh completes only within its line editor, so it runs in
# a pseudo-terminal.
# Usage: zsh -f zsh_complete.zsh FOLDER REPORT LINE...
zmodload zsh/zpty || exit 1
folder=$1 report=$2
shift 2
trap 'zpty -d completing 2>/dev/null' EXIT
: >$report

zpty completing zsh -f -i
# Ctrl+T writes the line to the report and empties it: a key that starts no longer binding (as
# Ctrl+X does), so the line editor does not wait for one.
zpty -w completing "PS1= PROMPT_EOL_MARK=; fpath=(${(q)folder} \$fpath)"
zpty -w completing "autoload -Uz compinit; compinit -u -D"
zpty -w completing "report() { print -r -- \"<\$BUFFER>\" >>${(q)report}; BUFFER= }"
zpty -w completing "zle -N report; bindkey '^T' report"
typeset -i typed=0 deadline
typeset output
typeset -a reported
for line in "$@"; do
  zpty -w -n completing "$line"$'\t\x14'
  (( ++typed ))
  # What zsh shows is read as it comes, so that it never waits on a full terminal.
  deadline=$(( SECONDS + 20 ))
  while reported=(${(f)"$(<$report)"}); (( $#reported < typed )); do
    if (( SECONDS > deadline )); then
      print -u2 "zsh did not complete '$line' within 20 s"
      exit 1
    fi
    zpty -r -t completing output || sleep 0.05
  done
done
