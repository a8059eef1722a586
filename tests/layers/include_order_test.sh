#!/usr/bin/env bash
# Checks that every folder of the show includes headers only from its own
# folder and the folders below it, and that the generator (tools/) and the
# show include nothing of each other. A folder that includes another's
# headers must also name that folder's library among its own link
# dependencies, or its calls link only by luck of the link order. Prints the
# folder-by-folder include table.
#   SOURCE  the source tree     LAYERS  the show's folders, lowest first
#   LINKS   what each layer library links: "gfx:loaders,platform sync:platform ..."
set -euo pipefail
SOURCE=${SOURCE:?SOURCE must name the source tree}
read -r -a layers <<<"${LAYERS:?LAYERS must list the folders, lowest first}"
separate=(tools)
outside=(tests bench fuzz)
declare -A links
for entry in ${LINKS:-}; do links[${entry%%:*}]=",${entry#*:},"; done
cd "$SOURCE"

rank() { # the position of folder $1 in the layer order, or -1
    local i
    for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
    echo -1
}

# "file:line:folder/..." for every include of a path with a folder in it.
includes_of() {
    grep -HnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*/[^">]*[">]' \
        "$1"/*.h "$1"/*.cpp 2>/dev/null |
        sed -E 's/^([^:]*:[0-9]+):[^"<]*["<]([^">]*)[">]$/\1:\2/' || true
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
declare -A table
for folder in "${layers[@]}" "${separate[@]}"; do
    [ -d "$folder" ] || { fail "no folder $folder/"; continue; }
    own=$(rank "$folder")
    while IFS=: read -r file line path; do
        [ -n "$file" ] || continue
        if [[ "$path" == *..* ]]; then
            fail "$file:$line includes $path (a path out of its folder)"
            continue
        fi
        target=${path%%/*}
        other=$(rank "$target")
        if [ "$other" -ge 0 ] || [[ " ${separate[*]} ${outside[*]} " == *" $target "* ]]; then
            table[$folder,$target]=1
        fi
        [ "$target" = "$folder" ] && continue
        if [[ " ${outside[*]} " == *" $target "* ]]; then
            fail "$file:$line includes $path (test or benchmark code)"
        elif [ "$own" -lt 0 ] && [ "$other" -ge 0 ]; then
            fail "$file:$line includes $path ($folder/ stands apart from the show)"
        elif [ "$own" -ge 0 ] && [[ " ${separate[*]} " == *" $target "* ]]; then
            fail "$file:$line includes $path ($target/ stands apart from the show)"
        elif [ "$other" -gt "$own" ]; then
            fail "$file:$line includes $path ($target/ is above $folder/)"
        elif [ "$own" -ge 0 ] && [ "$other" -ge 0 ] && [ -n "${LINKS:-}" ] &&
            [[ "${links[$folder]:-}" != *",$target,"* ]]; then
            fail "$file:$line includes $path but demo_$folder does not link demo_$target"
        fi
    done < <(includes_of "$folder")
done

all=("${layers[@]}" "${separate[@]}")
printf '%-10s' "includes:"
for target in "${all[@]}"; do printf ' %-8s' "$target"; done
echo
for folder in "${all[@]}"; do
    printf '%-10s' "$folder/"
    for target in "${all[@]}"; do
        printf ' %-8s' "$([ -n "${table[$folder,$target]:-}" ] && echo x || echo .)"
    done
    echo
done
[ "$failures" -eq 0 ] || { echo "$failures of the includes above break the layer rules"; exit 1; }
echo PASS
