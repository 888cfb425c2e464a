#!/bin/sh
# Renders the program's pictures in assets/ from their SVG masters.
# The PNGs are committed, so the build never runs this; run it after changing
# an SVG and look at the results before committing them.
# Needs rsvg-convert (Debian package librsvg2-bin) and ImageMagick's convert.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
assets="$here/assets"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ImageMagick would otherwise stamp the render time into every PNG.
stamp="png:exclude-chunks=date,time,tIME"

# The sixteen colours the small icons may use.
convert -size 1x1 \
    xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' \
    xc:'#000080' xc:'#800080' xc:'#008080' xc:'#c0c0c0' \
    xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
    xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' \
    +append "$work/palette.png"

# The window's icon at 16 and 32 pixels comes from the pixel-tuned masters,
# held to the sixteen colours as indexed PNGs with a transparent background.
for size in 16 32; do
    rsvg-convert -w "$size" -h "$size" "$assets/icon-$size.svg" -o "$work/icon-$size.png"
    # A master that strays from the palette (a blended edge, a new colour) is refused.
    convert "$work/icon-$size.png" -alpha off +dither -remap "$work/palette.png" "$work/held-$size.png"
    differing=$(compare -metric AE "$work/icon-$size.png" -alpha off "$work/held-$size.png" null: 2>&1 || true)
    if [ "$differing" != 0 ]; then
        echo "icon-$size.svg: $differing pixels outside the sixteen colours" >&2
        exit 1
    fi
    convert "$work/icon-$size.png" -strip -define "$stamp" PNG8:"$assets/icon-$size.png"
done

# The desktop's icon theme takes the larger sizes from the scalable master.
for size in 48 64 128 256; do
    mkdir -p "$assets/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$assets/icon.svg" -o "$work/icon-$size.png"
    convert "$work/icon-$size.png" -strip -define "$stamp" \
        PNG32:"$assets/hicolor/${size}x${size}/apps/trevanto.png"
done

rsvg-convert -w 90 -h 90 "$assets/logo.svg" -o "$work/logo.png"
convert "$work/logo.png" -strip -define "$stamp" PNG32:"$assets/logo.png"

rsvg-convert -w 31 -h 64 "$assets/north.svg" -o "$work/north.png"
convert "$work/north.png" -alpha off -strip -define "$stamp" PNG24:"$assets/north.png"

# The same pictures eight times as large, for a printed page: sharp up to 768 dots per
# inch. (Qt's own SVG renderer draws no patterns, so the logo's flag needs a picture.)
rsvg-convert -w 720 -h 720 "$assets/logo.svg" -o "$work/logo-8x.png"
convert "$work/logo-8x.png" -strip -define "$stamp" PNG32:"$assets/logo@8x.png"
rsvg-convert -w 248 -h 512 "$assets/north.svg" -o "$work/north-8x.png"
convert "$work/north-8x.png" -alpha off -strip -define "$stamp" PNG24:"$assets/north@8x.png"

# The Windows program's icon holds every size above, the hand-tuned small ones included
# (the 256-pixel picture is kept as PNG inside it, as Windows expects).
convert "$assets/icon-16.png" "$assets/icon-32.png" \
    "$assets/hicolor/48x48/apps/trevanto.png" "$assets/hicolor/64x64/apps/trevanto.png" \
    "$assets/hicolor/128x128/apps/trevanto.png" "$assets/hicolor/256x256/apps/trevanto.png" \
    -define "$stamp" "$assets/trevanto.ico"
