#!/usr/bin/env bash
# Fails when a lower layer includes a higher one's headers: platform/ may include neither SDK/
# nor host/, SDK/ may not include host/. Every offending line is printed as file:line.
#
# An include reaches a folder the way the compiler would find it: next to the including file
# first (so "../" paths count), then through the include roots: the library's headers are
# "<folder of SDK/>/...", the host's sit in host/ itself, and "SDK/..." or "host/..." from the
# tree's root count too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

offences=0
include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^">]+)[">]'

# Sets `reached` to the folder of the tree (SDK, host, ...) the include NAME from FILE reaches.
reach() {
    local file=$1 name=$2 beside
    reached=""
    beside=${file%/*}/$name
    if [ -e "$beside" ]; then
        # Only a path that climbs ("../") can leave the including file's folder.
        if [[ $name == *..* ]]; then
            beside=$(realpath -m "$beside")
            beside=${beside#"$root"/}
        fi
        reached=${beside%%/*}
        return
    fi
    case $name in
    SDK/* | host/*) reached=${name%%/*} ;;
    *)
        if [ -e "SDK/$name" ]; then reached=SDK; elif [ -e "host/$name" ]; then reached=host; fi
        ;;
    esac
}

# check FOLDER FORBIDDEN...: no source of FOLDER includes a header of a FORBIDDEN folder.
check() {
    local folder=$1
    shift
    local hit file rest number text name forbidden
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        number=${rest%%:*}
        text=${rest#*:}
        [[ $text =~ $include_line ]] || continue
        name=${BASH_REMATCH[1]}
        reach "$file" "$name"
        for forbidden in "$@"; do
            if [ "$reached" = "$forbidden" ]; then
                echo "layering: $file:$number: $text" >&2
                echo "layering:   reaches $forbidden/, which $folder/ may not include" >&2
                offences=$((offences + 1))
            fi
        done
    done < <(grep -rnE --include='*.h' --include='*.hpp' --include='*.c' --include='*.cc' --include='*.cpp' \
        '^[[:space:]]*#[[:space:]]*include' "$folder" || true)
}

check platform SDK host
check SDK host

if [ "$offences" -gt 0 ]; then
    echo "layering: FAILED, $offences include(s) against the layering (platform/ < SDK/ < host/)" >&2
    exit 1
fi
echo "layering: platform/ includes neither SDK/ nor host/, SDK/ does not include host/"
