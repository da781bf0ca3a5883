#!/usr/bin/env bash
# Draws the skin's PNG artwork with ImageMagick and the WenQuanYi Micro Hei
# font (Debian fonts-wqy-microhei): flat buttons in the skins' orange and grey,
# crisp at 100 % scale. Plain names carry Chinese labels, the _en twins English
# ones; btn_common has no label because the button draws its own text.
#   draw_skin.sh [output folder]   (default: this folder)
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")" && pwd)}
font=${ZVK_SKIN_FONT:-/usr/share/fonts/truetype/wqy/wqy-microhei.ttc}
[ -f "$font" ] || { echo "font not found: $font" >&2; exit 1; }
mkdir -p "$out"

orange='#FF9A00'
orange_hot='#FFAD33'
orange_pushed='#E08600'
grey_border='#CFCFCF'
grey_text='#666666'

# png <file> <convert arguments...>: 8-bit RGBA without time stamps.
png() {
  local file=$1
  shift
  convert "$@" -strip -define png:exclude-chunks=date,time "PNG32:$out/$file"
}

# button <file> <w> <h> <fill> <border> <text colour> <label>
button() {
  local file=$1 w=$2 h=$3 fill=$4 border=$5 colour=$6 label=$7
  local args=(-size "${w}x${h}" xc:none -fill "$fill" -stroke "$border" -strokewidth 1
              -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 3,3")
  if [ -n "$label" ]; then
    args+=(-stroke none -fill "$colour" -font "$font" -pointsize 12 -gravity center
           -annotate +0+0 "$label")
  fi
  png "$file" "${args[@]}"
}

# A primary (orange) button in its three states.
primary() {
  local base=$1 w=$2 h=$3 label=$4 suffix=$5
  button "${base}_n${suffix}.png" "$w" "$h" "$orange" "$orange" white "$label"
  button "${base}_h${suffix}.png" "$w" "$h" "$orange_hot" "$orange_hot" white "$label"
  button "${base}_p${suffix}.png" "$w" "$h" "$orange_pushed" "$orange_pushed" '#FFF1DC' "$label"
}

# A secondary (white and grey) button in its three states.
secondary() {
  local base=$1 w=$2 h=$3 label=$4 suffix=$5
  button "${base}_n${suffix}.png" "$w" "$h" white "$grey_border" "$grey_text" "$label"
  button "${base}_h${suffix}.png" "$w" "$h" white "$orange" "$orange" "$label"
  button "${base}_p${suffix}.png" "$w" "$h" '#FFF1DC' "$orange_pushed" "$orange_pushed" "$label"
}

# The close cross on a title bar: plain, on a light disc (hot), on a dark disc (pushed).
close_button() {
  local suffix=$1
  local cross=(-stroke white -strokewidth 1.6 -draw 'line 4,4 10,10' -draw 'line 10,4 4,10')
  png "btn_close_n${suffix}.png" -size 14x14 xc:none "${cross[@]}"
  png "btn_close_h${suffix}.png" -size 14x14 xc:none -fill '#FFFFFF55' -stroke none \
    -draw 'roundrectangle 0,0 13,13 3,3' "${cross[@]}"
  png "btn_close_p${suffix}.png" -size 14x14 xc:none -fill '#00000040' -stroke none \
    -draw 'roundrectangle 0,0 13,13 3,3' "${cross[@]}"
}

for suffix in "" _en; do
  if [ -z "$suffix" ]; then
    skip='跳过' install='立即安装' launch='立即打开' cancel='取消' confirm='确定'
  else
    skip='Skip' install='Install' launch='Open' cancel='Cancel' confirm='OK'
  fi
  close_button "$suffix"
  secondary btn_skip 71 26 "$skip" "$suffix"
  primary btn_install 71 26 "$install" "$suffix"
  primary btn_launch 71 26 "$launch" "$suffix"
  secondary btn_cancel 72 24 "$cancel" "$suffix"
  primary btn_confirm 72 24 "$confirm" "$suffix"
  # btn_common: the button draws its own text (black, white when hot, grey-blue when pushed).
  button "btn_common_n${suffix}.png" 71 26 white "$orange" none ''
  button "btn_common_h${suffix}.png" 71 26 "$orange" "$orange" none ''
  button "btn_common_p${suffix}.png" 71 26 "$orange_pushed" "$orange_pushed" none ''
  png "progress_bg${suffix}.png" -size 40x2 xc:'#E6E6E6'
  png "progress_fg${suffix}.png" -size 40x2 xc:"$orange"
done
echo "skin images written to $out"
