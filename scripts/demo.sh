#!/usr/bin/env bash
# The demo of a machine without a display: a folder of pictures is handed to vtl exactly as the
# file manager's "Resize as default setting" does (a real hand-off block, command 1), vtl runs
# offscreen, and a table shows what went in and what came out.
#
# usage: scripts/demo.sh [BUILD_DIR]
# The demo keeps its settings in a folder of its own: your own settings are not touched.
set -euo pipefail

build=${1:-build}
bin="$(cd "$build/bin" && pwd)"
demo=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-demo.XXXXXX")
pictures="$demo/pictures"
mkdir -p "$pictures" "$demo/config/vantrel/registry"
mkdir -m 700 "$demo/runtime"

# Real camera-sized pictures when Debian's wallpapers are installed, else pictures drawn here.
mapfile -t wallpapers < <(ls /usr/share/wallpapers/*/contents/images/5120x2880.{jpg,png} 2>/dev/null | head -n 4)
if [ ${#wallpapers[@]} -gt 0 ]; then
  for w in "${wallpapers[@]}"; do
    name=$(basename "$(dirname "$(dirname "$(dirname "$w")")")")
    cp "$w" "$pictures/${name// /_}.${w##*.}"
  done
else
  work="$demo/draw"
  mkdir -p "$work"
  vips sines "$work/r.v" 3000 2000 --hfreq 2 --vfreq 1
  vips sines "$work/g.v" 3000 2000 --hfreq 1 --vfreq 3
  vips zone "$work/b.v" 3000 2000
  for band in r g b; do vips linear "$work/$band.v" "$work/${band}8.v" 120 128 --uchar; done
  vips bandjoin "$work/r8.v $work/g8.v $work/b8.v" "$work/rgb.v"
  vips copy "$work/rgb.v" "$work/srgb.v" --interpretation srgb
  vips copy "$work/srgb.v" "$pictures/sunrise.jpg[Q=92]"
  vips rot "$work/srgb.v" "$pictures/portrait.png" d90
  vips resize "$work/srgb.v" "$pictures/small.bmp" 0.4
  rm -rf "$work"
fi

# "Set as default" as a person would have left it: half the size, in a folder named resize.
cat > "$demo/config/vantrel/registry/HKEY_CURRENT_USER.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Ostrell\vtl\setting]
"width"=dword:00000032
"height"=dword:00000032
"wpercent"=dword:00000001
"hpercent"=dword:00000001
"qualilty"=dword:00000050
REG

export XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache" XDG_RUNTIME_DIR="$demo/runtime"
export QT_QPA_PLATFORM=offscreen
inputs=("$pictures"/*)
"$bin/vtlregistry" handoff write 1 "${inputs[@]}"
start=$(date +%s.%N)
"$bin/vtl"
end=$(date +%s.%N)

size() { vipsheader -f width "$1" 2>/dev/null | tr -d '\n'; printf ' x '; vipsheader -f height "$1" 2>/dev/null; }
echo
echo "Vantrel resized ${#inputs[@]} pictures to 50 % in $(awk "BEGIN { printf \"%.2f\", $end - $start }") s:"
printf '  %-28s %-13s %10s   ->  %-28s %-13s %10s\n' input size bytes output size bytes
for f in "${inputs[@]}"; do
  out="$pictures/resize/$(basename "$f")"
  if [ -f "$out" ]; then
    printf '  %-28s %-13s %10s   ->  %-28s %-13s %10s\n' "$(basename "$f")" "$(size "$f")" "$(stat -c %s "$f")" \
      "resize/$(basename "$out")" "$(size "$out")" "$(stat -c %s "$out")"
  else
    printf '  %-28s %-13s %10s   ->  (not written)\n' "$(basename "$f")" "$(size "$f")" "$(stat -c %s "$f")"
  fi
done
echo
echo "The pictures and their outputs are in $pictures"
