#!/bin/sh
# Builds the collection, installs it into a private collections path and
# runs the play on stand-ins, all under WORK.
#   run_play.sh COLLECTION_DIR TARVIKCTL WORK
set -eu
collection=$1
tarvikctl=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/dist" "$work/collections" "$work/play"
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_LOCAL_TEMP="$work/tmp" \
  ANSIBLE_REMOTE_TEMP="$work/tmp" ANSIBLE_HOME="$work/home" ANSIBLE_NOCOLOR=1 \
  ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PIPELINING=1
ansible-galaxy collection build --force --output-path "$work/dist" "$collection" >/dev/null
ansible-galaxy collection install --force -p "$work/collections" "$work/dist"/tarvik-configurator-*.tar.gz >/dev/null
ansible-doc tarvik.configurator.settings tarvik.configurator.info >"$work/doc.txt"
grep -q 'allow_restart' "$work/doc.txt"
grep -q 'product_id' "$work/doc.txt"
grep -q 'simulate_state' "$work/doc.txt"
ansible-playbook -i localhost, -c local -e 'ansible_python_interpreter={{ ansible_playbook_python }}' \
  -e "tarvikctl=$tarvikctl" -e "workdir=$work/play" "$here/settings_play.yml"
