#!/usr/bin/env bash
# Builds each layering probe and checks that exactly the allowed one compiles, and that the
# forbidden ones fail because the header cannot be found (not for some other reason).
set -u
cmake=$1
build=$2
room_probes=$3
status=0
probe() {
    local name=$1 expected=$2 output
    output=$("$cmake" --build "$build" --target "layer_probe_$name" 2>&1)
    local built=$?
    if [ "$expected" = allowed ]; then
        if [ $built -ne 0 ]; then
            echo "FAIL: $name should compile:"; echo "$output"; status=1
        else
            echo "ok: $name compiles"
        fi
    else
        if [ $built -eq 0 ]; then
            echo "FAIL: $name compiled, but its include crosses a layer"; status=1
        elif ! grep -q 'No such file or directory' <<<"$output"; then
            echo "FAIL: $name failed for another reason:"; echo "$output"; status=1
        else
            echo "ok: $name is refused"
        fi
    fi
}
probe book_allowed allowed
probe sync_allowed allowed
probe data_sync forbidden
probe sync_common forbidden
probe sync_widget forbidden
probe common_network forbidden
probe data_widget forbidden
probe data_common forbidden
probe data_access forbidden
probe access_widget forbidden
probe access_common forbidden
probe common_book forbidden
probe book_book forbidden
probe book_shell forbidden
# The rooms of data/, listed by the build.
while read -r name expected; do
    [ -n "$name" ] && probe "$name" "$expected"
done <"$room_probes"
# A path that climbs out of its folder would pass by the include folders: there are none.
source_root=$(cd "$(dirname "$0")/../.." && pwd)
climbing=$(grep -rn --include='*.h' --include='*.cpp' '#include *"\.\./' \
    "$source_root"/data "$source_root"/common "$source_root"/phonebook "$source_root"/appointments \
    "$source_root"/chequebook "$source_root"/shell "$source_root"/app)
if [ -n "$climbing" ]; then
    echo "FAIL: includes that climb out of their folder:"; echo "$climbing"; status=1
else
    echo "ok: no include climbs out of its folder"
fi
exit $status
