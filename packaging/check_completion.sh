#!/usr/bin/env bash
# Drives the generated bash, zsh and fish completion of tarvikctl over a
# table of command lines, each with words the shell must offer and one it
# must not. The Tarviks --device completes come from the stand-ins that
# --simulate on the line gives the tarvikctl found on PATH.
#
# Usage: check_completion.sh <folder of tarvikctl> <folder of the generated scripts>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_common.sh"

ctl_dir=${1:-}
docs=${2:-}
if [ ! -x "$ctl_dir/tarvikctl" ] || [ ! -d "$docs" ]; then
    fail "usage: $0 <folder of tarvikctl> <folder of the generated scripts>"
fi
export PATH="$ctl_dir:$PATH"
bash_completion=/usr/share/bash-completion/bash_completion
[ -f "$bash_completion" ] || fail "$bash_completion not found (Debian package bash-completion)"

# Command line (the word at its end is completed) | words offered | a word not offered.
cases=(
    "tarvikctl set gain-l |-12dB 0dB +12dB|on"
    "tarvikctl |list show set op save apply firmware|update"
    "tarvikctl firmware |update section|list"
    "tarvikctl --json --device 0 set mode-r |conference-system pa-microphone|0dB"
    "tarvikctl --simulate set |gain-l gain-r usb-speed mic-mute-sync|list"
    "tarvikctl set --simulate 2 --all output-volume |-12dB +12dB|gain-l"
    "tarvikctl op GetChannel|GetChannelGain|SetChannelGain"
    "tarvikctl apply --|--dry-run --check --all --simulate-state|--list"
    "tarvikctl firmware update --|--target --yes|--check"
    "tarvikctl --simulate 2 --device |0 1 1-1 1-2 sim:2|1-3"
)

# Each prints the words the shell offers for the command line $1, one a line.
complete_bash() {
    bash --norc --noprofile -c '
        source "$1"
        source "$2"
        read -ra COMP_WORDS <<<"$3"
        [[ $3 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE=$3
        COMP_POINT=${#3}
        _tarvikctl tarvikctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' - "$bash_completion" "$docs/tarvikctl.bash" "$1"
}

# Outside the completion system: its functions stand in, and offer what
# begins with the word under the cursor, as the real ones do.
complete_zsh() {
    zsh -f -c '
        compdef() { }
        compset() { }
        _files() { }
        compadd() { [[ $1 == -- ]] && shift; print -l -- ${(M)@:#${PREFIX}*} }
        _describe() { local -a c=("${(@P)${@[-1]}}"); compadd -- ${c%%:*} }
        source "$1"
        words=(${(z)2})
        [[ $2 == *" " ]] && words+=("")
        CURRENT=$#words
        PREFIX=$words[CURRENT]
        _tarvikctl' - "$docs/_tarvikctl" "$1"
}

complete_fish() {
    # shellcheck disable=SC2016 # fish expands them
    fish --no-config -c 'source $argv[1]; complete -C $argv[2] | string replace -r "\t.*" ""' \
        "$docs/tarvikctl.fish" "$1"
}

failures=0
for shell in bash zsh fish; do
    if ! command -v "$shell" >/dev/null; then
        note "SKIP $shell: not installed (Debian package $shell)"
        continue
    fi
    for case in "${cases[@]}"; do
        IFS='|' read -r line offered absent <<<"$case"
        got=$("complete_$shell" "$line" 2>&1) || true
        for word in $offered; do
            grep -qxF -- "$word" <<<"$got" || {
                echo "$shell, '$line': $word not offered; offered: $(tr '\n' ' ' <<<"$got")" >&2
                failures=$((failures + 1))
            }
        done
        if grep -qxF -- "$absent" <<<"$got"; then
            echo "$shell, '$line': $absent offered" >&2
            failures=$((failures + 1))
        fi
    done
    note "$shell: ${#cases[@]} command lines"
done
[ "$failures" -eq 0 ] || fail "$failures completions went wrong"
echo "PASS: the completion offers what tarvikctl takes"
