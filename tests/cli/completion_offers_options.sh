#!/usr/bin/env bash
# Every long option each command's --help lists is among the words the bash
# completion offers: an option added to one and not the other fails here.
set -euo pipefail
cli=$1
completion=$2
offered=$(tr '\n' ' ' < "$completion" | grep -o "compgen -W '[^']*'" | tr -s " '" '\n')
for command in encrypt info; do
  for option in $("$cli" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qxF -- "$option" <<< "$offered" || { echo "not completed: $command $option"; exit 1; }
  done
done
