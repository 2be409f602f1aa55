#!/bin/sh
# Regenerates the demo game's committed media with Debian's imagemagick, espeak-ng, sox and
# vorbis-tools. Run from this folder (PNGs without time chunks, Ogg streams with fixed serials).
# Everything under arc/ goes into data.arc; the music under bgm/ and the movie under movie/ stay loose
# beside the program (the movie also needs ffmpeg).
set -e
PNG="-depth 8 -define png:exclude-chunks=date,time"

mkdir -p arc/image/bg arc/image/chr arc/voice arc/se bgm
cd arc
# Background: evening sky over a roof line and a window frame.
convert -size 800x600 gradient:'#36507a'-'#e9b68a' \
  -fill '#2b2b3a' -draw 'polygon 0,430 180,380 360,420 560,360 800,410 800,600 0,600' \
  -fill none -stroke '#5b4636' -strokewidth 24 -draw 'rectangle 60,40 740,560' \
  -draw 'line 400,40 400,560' -draw 'line 60,300 740,300' $PNG PNG24:image/bg/window.png
# Two characters: plain silhouettes with a head, on transparent ground.
for c in haru:'#f2a7b8':'#6b3040' ren:'#9fc4ef':'#203a5c'; do
  name=${c%%:*}; rest=${c#*:}; light=${rest%%:*}; dark=${rest#*:}
  convert -size 240x420 xc:none -fill "$dark" -draw 'roundrectangle 40,170 200,419 60,60' \
    -fill "$light" -draw 'circle 120,95 120,20' -fill "$dark" -draw 'rectangle 60,60 180,80' \
    $PNG PNG32:image/chr/$name.png
done
# The message window's sheet (loose beside the program): a translucent dark panel with a light border.
convert -size 760x150 xc:none -fill '#101828c0' -stroke '#d8e0f0' -strokewidth 3 \
  -draw 'roundrectangle 2,2 757,147 16,16' $PNG PNG32:../../ui/msgwnd.png

# The button bar's sheet (loose beside the program, its parts listed in demo/ui/bar.txt): nine 64x24
# buttons across, their looks down: normal, under the cursor, pressed, disabled.
FONT=/usr/share/fonts/truetype/fonts-japanese-gothic.ttf
set -- convert -size 576x96 xc:none -font "$FONT" -pointsize 13 -strokewidth 2 -gravity NorthWest
row=0
for look in '#28344cd0:#d8e0f0' '#3c5a8ae0:#ffffff' '#e0a040f0:#202020' '#30303080:#808080'; do
  bg=${look%%:*}; fg=${look#*:}; col=0
  for label in SAVE LOAD CONFIG AUTO SKIP Q.SAVE Q.LOAD LOG HIDE; do
    x=$((col * 64)); y=$((row * 24))
    set -- "$@" -fill "$bg" -stroke "$fg" -draw "roundrectangle $((x + 2)),$((y + 2)) $((x + 61)),$((y + 21)) 6,6" \
      -stroke none -fill "$fg" -annotate +$((x + 10))+$((y + 4)) "$label"
    col=$((col + 1))
  done
  row=$((row + 1))
done
"$@" $PNG PNG32:../../ui/bar.png

# The save, load and configuration screens' sheet (256x432): five looks of a slot button (empty,
# empty under the cursor, used, used under the cursor, pressed) down the left, the digits, five
# buttons (normal and under the cursor), gauge cells, check boxes, the panel and the labels.
set -- convert -size 256x432 xc:none -font "$FONT" -pointsize 12 -strokewidth 1 -gravity NorthWest
row=0
for look in '#28344cd0:#8090b0' '#3c5a8ae0:#d8e0f0' '#28344cf0:#d8e0f0' '#3c5a8af0:#ffffff' '#e0a040f0:#202020'; do
  bg=${look%%:*}; fg=${look#*:}; y=$((row * 40))
  set -- "$@" -fill "$bg" -stroke "$fg" -draw "rectangle 1,$((y + 1)) 158,$((y + 38))" -stroke none
  if [ $row -ge 2 ]; then
    set -- "$@" -fill "$fg" -annotate +74+$((y + 3)) / -annotate +98+$((y + 3)) / \
      -annotate +58+$((y + 21)) : -annotate +82+$((y + 21)) :
  fi
  row=$((row + 1))
done
for d in 0 1 2 3 4 5 6 7 8 9; do
  set -- "$@" -fill white -annotate +$((160 + 8 * d))+103 "$d"
done
b=0
for label in PREV NEXT BACK YES NO; do
  y=$((b * 20))
  set -- "$@" -fill '#28344cf0' -stroke '#d8e0f0' -draw "roundrectangle 161,$((y + 1)) 206,$((y + 18)) 5,5" \
    -fill '#3c5a8af0' -stroke white -draw "roundrectangle 209,$((y + 1)) 254,$((y + 18)) 5,5" \
    -stroke none -fill white -annotate +$((168))+$((y + 3)) "$label" -annotate +$((216))+$((y + 3)) "$label"
  b=$((b + 1))
done
set -- "$@" -fill '#404858e0' -draw 'rectangle 161,121 170,134' -fill '#f0c060ff' -draw 'rectangle 173,121 182,134' \
  -fill none -stroke '#d8e0f0' -draw 'rectangle 185,121 198,134' -draw 'rectangle 201,121 214,134' \
  -stroke none -fill '#f0c060ff' -draw 'rectangle 204,124 211,131' -fill '#101828e0' -draw 'rectangle 216,120 231,135'
row=0
for label in SAVE LOAD CONFIG MASTER MUSIC EFFECT VOICE 'TEXT SPEED' 'AUTO WAIT' SCREEN WINDOW FULL \
             'SKIP UNREAD' 'OVERWRITE?'; do
  set -- "$@" -fill white -annotate +2+$((200 + 16 * row + 1)) "$label"
  row=$((row + 1))
done
"$@" $PNG PNG32:../../ui/screens.png

# The choice items' sheet (loose beside the program, its parts listed in demo/ui/choice.txt): three
# 320x48 answers down, their looks across: normal, then lit under the cursor.
set -- convert -size 640x144 xc:none -font "$FONT" -pointsize 22 -strokewidth 2 -gravity NorthWest
row=0
for label in '傘に入れてもらう' '走って帰る' '雨宿りを続ける'; do
  y=$((row * 48)); col=0
  for look in '#182238d8:#d8e0f0' '#e8b04cf0:#1a1a24'; do
    bg=${look%%:*}; fg=${look#*:}; x=$((col * 320))
    set -- "$@" -fill "$bg" -stroke '#d8e0f0' -draw "roundrectangle $((x + 2)),$((y + 2)) $((x + 317)),$((y + 45)) 12,12" \
      -stroke none -fill "$fg" -annotate +$((x + 24))+$((y + 10)) "$label"
    col=$((col + 1))
  done
  row=$((row + 1))
done
"$@" $PNG PNG32:../../ui/choice.png

# The rain direction's streak (loose beside the program, its part in demo/ui/rain.txt).
convert -size 4x32 gradient:'#d8e8ff00'-'#eef4ffe0' $PNG PNG32:../../ui/rain.png

# Voices: kana readings, 22.05 kHz mono.
say() { espeak-ng -v ja -s 150 -w /tmp/raw.wav "$2"; sox /tmp/raw.wav -r 22050 -c 1 -b 16 /tmp/v.wav norm -1;
        oggenc -Q -q 3 -s "$3" -o "voice/$1.ogg" /tmp/v.wav; }
say haru_001 'あめ、やまないね。' 1001
say ren_001 'かさ、もってきたよ。' 1002
say haru_002 'ありがとう。いっしょにかえろう。' 1003

# Music: a 4 s intro and an 8 s loop part, 22.05 kHz stereo.
sox -n -r 22050 -c 2 -b 16 /tmp/intro.wav synth 4 sine 392 sine 587 fade 0.05 4 0.05 vol 0.4
sox -n -r 22050 -c 2 -b 16 /tmp/loop.wav synth 8 sine 440 sine 659 tremolo 2 40 vol 0.4
sox /tmp/intro.wav /tmp/loop.wav /tmp/bgm.wav
oggenc -Q -q 0 -s 2001 -o ../bgm/rain.ogg /tmp/bgm.wav
# Effect: a chime.
sox -n -r 22050 -c 1 -b 16 /tmp/chime.wav synth 0.6 sine 880 fade 0 0.6 0.5 vol 0.5
oggenc -Q -q 2 -s 3001 -o se/chime.ogg /tmp/chime.wav

# The opening movie: six seconds of the window background fading in and slowly coming closer.
cd ..
mkdir -p movie
ffmpeg -v error -y -i arc/image/bg/window.png \
  -vf "scale=400:300,zoompan=z='1+0.002*on':d=150:s=400x300:fps=25,fade=in:0:20,format=yuv420p" \
  -fflags +bitexact -flags +bitexact -map_metadata -1 -c:v mpeg1video -q:v 8 -g 150 -an movie/opening.mpg

# The title screen, the second chapter and the gallery.
cd arc
mkdir -p image/cg
# Title: a night sky with rain over the roof line.
convert -size 800x600 gradient:'#0c1428'-'#3a4a6e' \
  -fill '#161622' -draw 'polygon 0,470 160,420 330,455 520,400 800,450 800,600 0,600' \
  -stroke '#8090b0' -strokewidth 1 \
  -draw 'line 90,40 70,110' -draw 'line 250,90 230,160' -draw 'line 420,30 400,100' -draw 'line 610,120 590,190' \
  -draw 'line 720,20 700,90' -draw 'line 160,230 140,300' -draw 'line 520,220 500,290' -draw 'line 330,300 310,370' \
  $PNG PNG24:image/bg/title.png
# The street of the second chapter: wet pavement, a lamp and house fronts at dusk.
convert -size 800x600 gradient:'#4a3a5e'-'#d89a70' \
  -fill '#3a3040' -draw 'rectangle 0,180 220,470' -draw 'rectangle 560,140 800,470' \
  -fill '#f0d080' -draw 'rectangle 40,240 90,300' -draw 'rectangle 130,240 180,300' -draw 'rectangle 600,200 660,270' \
  -fill '#2a2a30' -draw 'rectangle 0,470 800,600' -fill '#505060' -draw 'rectangle 380,200 392,470' \
  -fill '#fff0b0' -draw 'circle 386,196 386,180' $PNG PNG24:image/bg/street.png
# Two event pictures for the gallery: two friends under one umbrella, and the lit house at night.
convert -size 800x600 gradient:'#2c3c5c'-'#7088a8' \
  -fill '#c04050' -draw 'ellipse 400,250 230,90 180,360' -stroke '#302020' -strokewidth 8 -draw 'line 400,250 400,520' \
  -stroke none -fill '#6b3040' -draw 'roundrectangle 250,330 370,600 50,50' -fill '#f2a7b8' -draw 'circle 310,290 310,240' \
  -fill '#203a5c' -draw 'roundrectangle 430,330 550,600 50,50' -fill '#9fc4ef' -draw 'circle 490,290 490,240' \
  $PNG PNG24:image/cg/umbrella.png
convert -size 800x600 gradient:'#101830'-'#283858' \
  -fill '#403428' -draw 'polygon 200,300 400,150 600,300' -draw 'rectangle 230,300 570,560' \
  -fill '#ffd890' -draw 'rectangle 280,360 360,440' -draw 'rectangle 440,360 520,440' \
  -fill '#202028' -draw 'rectangle 0,560 800,600' $PNG PNG24:image/cg/home.png
# Voices of the second chapter: the Puppet character, and Haru.
say hero_001 'おかえり。あめ、ひどかったでしょう。' 1004
say haru_003 'ただいま。レンがかさをかしてくれたの。' 1005
say hero_002 'よかった。あたたかいおちゃをいれるね。' 1006
# Music of the second chapter: a 2 s intro and a 6 s loop part.
sox -n -r 22050 -c 2 -b 16 /tmp/intro.wav synth 2 sine 523 sine 659 fade 0.05 2 0.05 vol 0.4
sox -n -r 22050 -c 2 -b 16 /tmp/loop.wav synth 6 sine 349 sine 523 tremolo 3 30 vol 0.4
sox /tmp/intro.wav /tmp/loop.wav /tmp/bgm.wav
oggenc -Q -q 0 -s 2002 -o ../bgm/street.ogg /tmp/bgm.wav
# Effect: footsteps on a wet street.
sox -n -r 22050 -c 1 -b 16 /tmp/step.wav synth 0.08 brownnoise fade 0 0.08 0.07 pad 0 0.25 repeat 3 vol 0.8
oggenc -Q -q 2 -s 3002 -o se/steps.ogg /tmp/step.wav

# The menus' sheet (loose beside the program, its parts listed in demo/ui/menu.txt): the title's five
# 160x32 buttons down, their looks across (normal, under the cursor, pressed); the gallery's locked
# look and the two pictures' thumbnails; the BACK button; the title; the gallery's and the log's
# labels; the log's voice button (normal, under the cursor, pressed) and its translucent panel.
set -- convert -size 512x512 xc:none -font "$FONT" -strokewidth 2 -gravity NorthWest
col=0
for look in '#28344cd0:#d8e0f0' '#3c5a8ae0:#ffffff' '#e0a040f0:#202020'; do
  bg=${look%%:*}; fg=${look#*:}; row=0
  for label in 'NEW GAME' LOAD CONFIG GALLERY QUIT; do
    x=$((col * 160)); y=$((row * 32))
    set -- "$@" -pointsize 16 -fill "$bg" -stroke "$fg" -draw "roundrectangle $((x + 2)),$((y + 2)) $((x + 157)),$((y + 29)) 8,8" \
      -stroke none -fill "$fg" -annotate +$((x + 24))+$((y + 6)) "$label"
    row=$((row + 1))
  done
  col=$((col + 1))
done
set -- "$@" -fill '#202430' -stroke '#8090b0' -draw 'rectangle 1,161 158,278' -stroke none -fill '#8090b0' \
  -pointsize 40 -annotate +68+196 '?'
for look in '#28344cd0:#d8e0f0:0' '#3c5a8ae0:#ffffff:160'; do
  bg=${look%%:*}; rest=${look#*:}; fg=${rest%%:*}; x=${rest#*:}
  set -- "$@" -pointsize 16 -fill "$bg" -stroke "$fg" -draw "roundrectangle $((x + 2)),290 $((x + 157)),317 8,8" \
    -stroke none -fill "$fg" -annotate +$((x + 56))+294 BACK
done
set -- "$@" -pointsize 64 -fill '#e8eef8' -stroke '#304060' -annotate +40+330 '雨やどり' \
  -stroke none -pointsize 20 -fill '#d8e0f0' -annotate +360+420 'GALLERY' -annotate +360+450 'LOG'
x=0
for look in '#28344cd0:#d8e0f0' '#3c5a8ae0:#ffffff' '#e0a040f0:#202020'; do
  bg=${look%%:*}; fg=${look#*:}
  set -- "$@" -fill "$bg" -stroke "$fg" -draw "roundrectangle $((x + 1)),481 $((x + 38)),506 6,6" \
    -stroke none -fill "$fg" -draw "polygon $((x + 12)),489 $((x + 18)),489 $((x + 25)),484 $((x + 25)),503 $((x + 18)),498 $((x + 12)),498"
  x=$((x + 40))
done
set -- "$@" -fill '#101828d8' -draw 'rectangle 140,480 160,500'
"$@" \( image/cg/umbrella.png -resize 160x120 \) -geometry +160+160 -composite \
  \( image/cg/home.png -resize 160x120 \) -geometry +320+160 -composite $PNG PNG32:../../ui/menu.png
