#!/usr/bin/env bash
# Renders the artwork from its SVG sources into the images the two front ends build in:
# PNG for the Qt window, BMP and ICO for the Windows resources. Needs rsvg-convert
# (librsvg2-bin) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert -w 340 -h 148 usb-picture.svg -o usb-picture.png
rsvg-convert -w 32 -h 32 vantrel-icon.svg -o vantrel-icon.png
rsvg-convert -w 16 -h 16 vantrel-icon.svg -o /tmp/vantrel-icon-16.png
convert usb-picture.png -background white -alpha remove -type TrueColor BMP3:usb-picture.bmp
convert vantrel-icon.png /tmp/vantrel-icon-16.png vantrel.ico
rm -f /tmp/vantrel-icon-16.png
