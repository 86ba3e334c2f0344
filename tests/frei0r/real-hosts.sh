#!/usr/bin/env bash
# tonedot.so in the real frei0r hosts: ffmpeg, melt (MLT) and GStreamer render the same
# pixels as `tonedot render` of the frames they hand to the filter, with the defaults, a
# preset and values set by name, and count frames alike for "Random Interval" at 25, 29.97
# and 50 fps, 720 and 854 wide (ffmpeg's row padding and lost timestamps).  The hosts
# load the library from where `cmake --install` put it.
#   real-hosts.sh TONEDOT_PROGRAM BUILD_FOLDER WORK_FOLDER
set -euo pipefail
TONEDOT="$1"
BUILD="$2"
WORK="$3"
rm -rf "$WORK" && mkdir -p "$WORK/config" && cd "$WORK"
cmake --install "$BUILD" --prefix "$WORK/prefix" --component frei0r >/dev/null
test -f "$WORK/prefix/lib/frei0r-1/tonedot.so"
export FREI0R_PATH="$WORK/prefix/lib/frei0r-1"
export XDG_CONFIG_HOME="$WORK/config"  # no stored defaults
export GST_REGISTRY="$WORK/gst-registry.bin" GST_PLUGIN_FEATURE_RANK=
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
rgba() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgba -y "$2"; }
# same A B WHAT: the two images hold the same RGBA pixels.
same() {
  rgba "$1" a.rgba && rgba "$2" b.rgba
  cmp -s a.rgba b.rgba || fail "$3: $1 and $2 differ"
}
differ() {
  rgba "$1" a.rgba && rgba "$2" b.rgba
  ! cmp -s a.rgba b.rgba || fail "$3: $1 and $2 are the same"
}
render() { "$TONEDOT" render "$@" --fps 25 --quiet; }

# Inputs: a moving test picture as a 25 fps sequence, and one still.
ffmpeg -v error -f lavfi -i testsrc2=size=96x64:rate=25 -frames:v 3 -pix_fmt rgba -start_number 0 seq_%02d.png
ffmpeg -v error -f lavfi -i testsrc2=size=80x60:rate=25 -frames:v 1 -pix_fmt rgba still.png
# A look whose dots change with the frame: a new random pattern every 2 frames.
"$TONEDOT" preset save look.ini --set "Dot Shape=Star" --set "Dot Distance X=6" --set "Dot Distance Y=6" \
  --set "Dot Size=5" --set "Random Interval=2" --set "Size=40" --set "Random Seed=7" >/dev/null

echo "== ffmpeg: a video sequence with the defaults"
ffmpeg -v error -framerate 25 -start_number 0 -i seq_%02d.png -vf format=rgba,frei0r=tonedot \
  -pix_fmt rgba -start_number 0 -y ff_%02d.png
render seq_%02d.png -o cli_%02d.png --frames 0-2
for n in 00 01 02; do same ff_$n.png cli_$n.png "ffmpeg defaults, frame $n"; done

echo "== ffmpeg: a still held for 5 frames with the preset (Random Interval 2)"
ffmpeg -v error -loop 1 -framerate 25 -i still.png -frames:v 5 -vf format=rgba,frei0r=tonedot:look.ini \
  -pix_fmt rgba -start_number 0 -y ffp_%02d.png
for n in 0 1 2 3 4; do
  render still.png -o clip_0$n.png --preset look.ini --time $n
  same ffp_0$n.png clip_0$n.png "ffmpeg preset, frame $n"
done
same ffp_00.png ffp_01.png "ffmpeg: frames 0 and 1 share a pattern"
differ ffp_01.png ffp_02.png "ffmpeg: frame 2 starts a new pattern"
same ffp_02.png ffp_03.png "ffmpeg: frames 2 and 3 share a pattern"

echo "== melt: the preset and values by name, 5 frames"
cat > profile <<'PROFILE'
description=80x60 25 fps
frame_rate_num=25
frame_rate_den=1
width=80
height=60
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=4
display_aspect_den=3
colorspace=709
PROFILE
melt -silent -profile profile still.png out=4 -attach frei0r.tonedot Preset=look.ini "Dot Shape=0.9" \
  "Dot Color=#204080" "Clear Background=1" \
  -consumer avformat:melt_%02d.png vcodec=png pix_fmt=rgba start_number=0 >/dev/null 2>melt.log || { cat melt.log; fail "melt failed"; }
melt -silent -profile profile still.png out=0 -consumer avformat:melt_in.png vcodec=png pix_fmt=rgba update=1 \
  >/dev/null 2>>melt.log
same still.png melt_in.png "melt hands the filter the picture unchanged"
for n in 0 1 2 3 4; do
  render still.png -o clim_0$n.png --preset look.ini --set "Dot Shape=Diamond" --set "Dot Color=#204080" \
    --set "Clear Background=on" --time $n
  same melt_0$n.png clim_0$n.png "melt, frame $n"
done

echo "== GStreamer: the defaults, and the preset with a value by name"
gst_render() {
  gst-launch-1.0 -q filesrc location=still.png ! pngdec ! videoconvert ! video/x-raw,format=RGBA \
    ! frei0r-filter-tonedot "$@" ! videoconvert ! pngenc ! filesink location=gst.png
}
gst_render
render still.png -o clig.png
same gst.png clig.png "GStreamer defaults"
gst_render preset=look.ini dot-shape=0.9
render still.png -o clig.png --preset look.ini --set "Dot Shape=Diamond"
same gst.png clig.png "GStreamer preset and value"

echo "== stored defaults only when TONEDOT_STORED_DEFAULTS=1 asks for them"
mkdir -p stored
XDG_CONFIG_HOME="$WORK/stored" "$TONEDOT" defaults save --set "Dot Size=30" --set "Dot Shape=Cross" >/dev/null 2>&1
XDG_CONFIG_HOME="$WORK/stored" ffmpeg -v error -i still.png -vf format=rgba,frei0r=tonedot -pix_fmt rgba -y ffs.png
render still.png -o clis.png
same ffs.png clis.png "ffmpeg with stored defaults present: the factory defaults"
XDG_CONFIG_HOME="$WORK/stored" TONEDOT_STORED_DEFAULTS=1 ffmpeg -v error -i still.png -vf format=rgba,frei0r=tonedot \
  -pix_fmt rgba -y ffs.png
render still.png -o clis.png --set "Dot Size=30" --set "Dot Shape=Cross"
same ffs.png clis.png "ffmpeg with TONEDOT_STORED_DEFAULTS=1: the stored defaults"

echo "== Random Interval 1 at 25, 29.97 and 50 fps, 720 and 854 wide, in the three hosts"
# A new random pattern every frame: each frame equals tonedot render at its own frame number
# only when the host's frames are counted right.  Frame Rate is left to the filter.
"$TONEDOT" preset save every.ini --set "Dot Shape=Star" --set "Dot Distance X=6" --set "Dot Distance Y=6" \
  --set "Dot Size=5" --set "Random Interval=1" --set "Size=40" --set "Random Seed=7" >/dev/null
for rate in 25 30000/1001 50; do
  for width in 720 854; do
    tag="$(echo "$rate" | tr / _)x$width"
    ffmpeg -v error -f lavfi -i "testsrc2=size=${width}x32:rate=25" -frames:v 1 -pix_fmt rgba "w$tag.png"
    for n in 0 1 2; do
      "$TONEDOT" render "w$tag.png" -o "cli$tag-$n.png" --preset every.ini --time "$n@$rate" --quiet
    done
    differ "cli$tag-0.png" "cli$tag-1.png" "$tag: a new pattern every frame"

    # ffmpeg: 720 wide loses the timestamps (the filter counts its calls); 854 wide shears
    # unless padded to a multiple of 16 and cropped after, as docs/video-tools.md says.
    if [ "$width" = 854 ]; then
      ffmpeg -v error -i "w$tag.png" -vf "pad=864:ih" -pix_fmt rgba "p$tag.png"
      for n in 0 1 2; do
        "$TONEDOT" render "p$tag.png" -o "pcli$tag-$n.png" --preset every.ini --time "$n@$rate" --quiet
        ffmpeg -v error -i "pcli$tag-$n.png" -vf "crop=854:ih:0:0" -pix_fmt rgba -y "ffcli$tag-$n.png"
      done
      vf="pad=ceil(iw/16)*16:ih,format=rgba,frei0r=tonedot:every.ini,crop=$width:ih:0:0"
    else
      for n in 0 1 2; do cp "cli$tag-$n.png" "ffcli$tag-$n.png"; done
      vf="format=rgba,frei0r=tonedot:every.ini"
    fi
    # 720 wide from a lossless video, whose frames reach the filter without their timestamps;
    # 854 wide from the still looped, with timestamps, the rate taken from their spacing.
    if [ "$width" = 720 ]; then
      ffmpeg -v error -loop 1 -framerate "$rate" -i "w$tag.png" -frames:v 3 -c:v ffv1 -pix_fmt bgra -y "w$tag.mkv"
      input=(-i "w$tag.mkv")
    else
      input=(-loop 1 -framerate "$rate" -i "w$tag.png" -frames:v 3)
    fi
    ffmpeg -v error "${input[@]}" -vf "$vf" -pix_fmt rgba -start_number 0 -y "ff$tag-%d.png" 2>ff.log \
      || { cat ff.log; fail "ffmpeg $tag failed"; }
    if [ "$width" = 720 ] && ! grep -q "counts the frames it is given" ff.log; then
      fail "ffmpeg $tag: the timestamps were not lost, or the filter did not say it counts"
    fi
    for n in 0 1 2; do same "ff$tag-$n.png" "ffcli$tag-$n.png" "ffmpeg $tag, frame $n"; done

    # melt: the profile's rate and size.
    cat > "profile$tag" <<PROFILE
description=$tag
frame_rate_num=${rate%/*}
frame_rate_den=$([ "$rate" = "${rate#*/}" ] && echo 1 || echo "${rate#*/}")
width=$width
height=32
progressive=1
sample_aspect_num=1
sample_aspect_den=1
display_aspect_num=$width
display_aspect_den=32
colorspace=709
PROFILE
    melt -silent -profile "profile$tag" "w$tag.png" out=2 -attach frei0r.tonedot Preset=every.ini \
      -consumer "avformat:melt$tag-%d.png" vcodec=png pix_fmt=rgba start_number=0 >/dev/null 2>melt.log \
      || { cat melt.log; fail "melt $tag failed"; }
    for n in 0 1 2; do same "melt$tag-$n.png" "cli$tag-$n.png" "melt $tag, frame $n"; done

    # GStreamer: buffers timestamped at the rate from 0.
    gst-launch-1.0 -q multifilesrc location="w$tag.png" loop=true num-buffers=3 \
      caps="image/png,framerate=(fraction)$rate" ! pngdec ! videoconvert ! video/x-raw,format=RGBA \
      ! frei0r-filter-tonedot preset=every.ini ! videoconvert ! pngenc \
      ! multifilesink location="gst$tag-%d.png" 2>gst.log || { cat gst.log; fail "GStreamer $tag failed"; }
    for n in 0 1 2; do same "gst$tag-$n.png" "cli$tag-$n.png" "GStreamer $tag, frame $n"; done
  done
done

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed" >&2; exit 1; fi
echo "all hosts render what tonedot render renders"
