#!/bin/sh
# Fails when the simulation reaches SDL, GL or Dear ImGui: by including their headers (or a
# header of this program that brings them in) from core/, flight/, net/, missions/, or from
# aircraft/, world/, objects/ and builder/ outside their draw/ folders; or by a simulation library that
# links them. Usage: check-layers.sh <source dir> <link list written by tests/CMakeLists.txt>
source_dir=$1
link_list=$2
status=0

cd "$source_dir" || exit 2
folders=""
for f in core flight net missions aircraft world objects builder; do
    [ -d "$f" ] && folders="$folders $f"
done
# SDL's and GL's headers, ImGui's, and the folders of this program that wrap them.
# The drawing folders count as such too.
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((SDL2?/)?SDL[_.a-z0-9]*\.h|GL/|GLES|EGL/|KHR/|epoxy/|glad/|imgui|backends/imgui|render/|platform/(GLWindow|hid/|audio/|ui/)|sound/|input/|game/|(aircraft|world|objects|builder)/([^">]*/)?draw/)'
found=$(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' "$pattern" $folders 2>/dev/null |
        grep -vE '^(aircraft|world|objects|builder)/(.*/)?draw/')
if [ -n "$found" ]; then
    echo "The simulation includes drawing, windowing or interface headers:"
    echo "$found"
    status=1
fi

# Inside the simulation: the core sees none of it, the flight model nothing of the aircraft,
# missions or objects built on it.
above() {
    [ -d "$1" ] || return 0
    grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($2)/" "$1"
}
found="$(above core 'flight|aircraft|world|objects|missions|net')$(above flight 'aircraft|world|objects|missions')"
if [ -n "$found" ]; then
    echo "The simulation includes from a folder above it:"
    echo "$found"
    status=1
fi

if [ ! -r "$link_list" ]; then
    echo "No link list at $link_list"
    exit 2
fi
# One line per simulation library: "<library>: <everything it links, directly or not>".
bad=$(grep -E '(^|[ :])(SDL2::[A-Za-z0-9_]*|SDL2[A-Za-z0-9_]*|OpenGL::[A-Za-z0-9_]*|GL|imgui[A-Za-z0-9_]*|pellam_(video|ui|hid|audio|render|game[a-z_]*|[a-z]+_draw))( |$)' "$link_list")
if [ -n "$bad" ]; then
    echo "Simulation libraries that link drawing, windowing or interface libraries:"
    echo "$bad"
    status=1
fi
[ $status -eq 0 ] && echo "Layers hold: $(wc -l < "$link_list") simulation libraries checked."
exit $status
