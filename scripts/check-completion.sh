#!/usr/bin/env bash
# Runs the generated bash completion as bash would. Usage: check-completion.sh SCRIPT
set -euo pipefail
source "$1"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _cratewise
    echo "${COMPREPLY[*]}"
}
fail=0
expect() {
    local want=$1; shift
    local got
    got=$(complete_words "$@")
    [ "$got" = "$want" ] || { echo "$*: got '$got', want '$want'"; fail=1; }
}
expect "search" cratewise sea
expect "--title" cratewise --yes search --ti
expect "--data-dir" cratewise --da
expect "update-session" cratewise --data-dir /tmp update-s
expect "--session --search" cratewise export-m3u x.m3u --se
expect "MailServer MailPort MailSecurity MailUser" cratewise config Mail
expect "--defaults" cratewise config --d
exit $fail
