#!/usr/bin/env bash
# Fails, naming the file and line, on an include that layering.rules does not allow. Reads the
# tree as it is now: files added or changed since the last build count.
#
#   check_layering.sh [top]      default: the tree this script belongs to
set -euo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top"

declare -A entriesOf
folders=()
while read -r folder entries; do
  [[ -z $folder || $folder == \#* ]] && continue
  expanded=()
  for entry in $entries; do
    if [[ $entry == *\** ]]; then
      for match in $entry; do expanded+=("$match"); done
    else
      expanded+=("$entry")
    fi
  done
  entriesOf[$folder]="${expanded[*]}"
  folders+=("$folder")
done < layering.rules

if git rev-parse --git-dir >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -u)
else
  mapfile -t files < <(find app ui capture res platform media tests bench -name '*.cpp' -o -name '*.h')
fi
declare -A inTree
for file in "${files[@]}"; do inTree[$file]=1; done

# The folder of the rule that governs $1: the longest that holds it.
RuleFolder() {
  local best=""
  for folder in "${folders[@]}"; do
    if [[ $1 == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  printf '%s' "$best"
}

# $1 with "." and ".." resolved, as a path from the top.
Normalised() {
  local -a parts=() out=()
  IFS=/ read -ra parts <<<"$1"
  for part in "${parts[@]}"; do
    case $part in
      '' | .) ;;
      ..) ((${#out[@]})) && unset 'out[-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  local IFS=/
  printf '%s' "${out[*]}"
}

# Whether the file $1 lies in the folder or is the file $2.
Within() { [[ $1 == "$2" || $1 == "$2"/* ]]; }

# The tree's file that "$1" names from a file in folder $2, tried the way a compiler would: beside
# the includer, then under each folder of the tree; empty when the tree holds none.
Reached() {
  local candidate
  candidate=$(Normalised "$2/$1")
  if [[ -n ${inTree[$candidate]:-} ]]; then printf '%s' "$candidate"; return; fi
  if [[ -n ${inTree[$1]:-} ]]; then printf '%s' "$1"; return; fi
  for file in "${files[@]}"; do
    if [[ $file == */"$1" ]]; then printf '%s' "$file"; return; fi
  done
}

# Whether the include "$1", from a file in folder $2 under the rule of $3, is allowed.
Allowed() {
  local include=$1 here=$2 rule=$3 entry candidate
  candidate=$(Normalised "$here/$include")
  if [[ -n ${inTree[$candidate]:-} ]]; then
    Within "$candidate" "$rule" && return 0
    for entry in ${entriesOf[$rule]}; do Within "$candidate" "$entry" && return 0; done
    return 1
  fi
  for entry in ${entriesOf[$rule]}; do
    [[ -n ${inTree[$entry/$include]:-} ]] && return 0
    [[ $include == "$entry"/* && -n ${inTree[$include]:-} ]] && return 0
    [[ -n ${inTree[$entry]:-} && $include == "${entry##*/}" ]] && return 0
  done
  # Outside the tree (a system header, a generated file): not ours to check.
  [[ -z $(Reached "$include" "$here") ]]
}

failures=0
for file in "${files[@]}"; do
  [[ -f $file ]] || continue
  rule=$(RuleFolder "$file")
  if [[ -z $rule ]]; then
    echo "$file: no rule in layering.rules covers it"
    failures=$((failures + 1))
    continue
  fi
  here=$(dirname "$file")
  while IFS=: read -r line text; do
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      include=${BASH_REMATCH[1]}
      if ! Allowed "$include" "$here" "$rule"; then
        echo "$file:$line: includes \"$include\" ($(Reached "$include" "$here")), which $rule/ may not"
        failures=$((failures + 1))
      fi
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)[/\>] ]]; then
      if [[ " ${entriesOf[$rule]} " != *" <Qt> "* ]]; then
        echo "$file:$line: includes Qt's <${BASH_REMATCH[1]}>, which $rule/ may not"
        failures=$((failures + 1))
      fi
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done

if ((failures)); then
  echo "$failures include(s) break layering.rules"
  exit 1
fi
