#!/bin/sh
# Makes the small test movies in this folder with Debian's ffmpeg: 10 frames of 66x50 at 25 fps.
# Each frame has four quadrants: top-left red, top-right green, bottom-left blue, and a grey
# bottom-right whose level is 25 x the frame's index, so orientation and frame order are visible.
# The "_sound" files add a 440 Hz tone of the same length.
set -e
cd "$(dirname "$0")"
picture="color=black:s=66x50:r=25:d=0.4,format=rgb24,geq=\
r='if(lt(Y,25),if(lt(X,33),255,0),if(lt(X,33),0,25*N))':\
g='if(lt(Y,25),if(lt(X,33),0,255),if(lt(X,33),0,25*N))':\
b='if(lt(Y,25),0,if(lt(X,33),255,25*N))'"
tone="sine=frequency=440:sample_rate=22050:duration=0.4"
exact="-fflags +bitexact -flags +bitexact -map_metadata -1"

make() {  # make <file> <video codec options> [audio codec options]
    out=$1 video=$2 audio=$3
    if [ -n "$audio" ]; then
        ffmpeg -v error -y -f lavfi -i "$picture" -f lavfi -i "$tone" $exact $video $audio "$out"
    else
        ffmpeg -v error -y -f lavfi -i "$picture" $exact $video -an "$out"
    fi
}
make clip.mpg "-c:v mpeg1video -q:v 2 -pix_fmt yuv420p"
make clip_sound.mpg "-c:v mpeg1video -q:v 2 -pix_fmt yuv420p" "-c:a mp2 -b:a 64k"
make clip.avi "-c:v mpeg4 -q:v 2 -pix_fmt yuv420p"
make clip_sound.avi "-c:v mpeg4 -q:v 2 -pix_fmt yuv420p" "-c:a mp2 -b:a 64k"
make clip.wmv "-c:v wmv2 -q:v 2 -pix_fmt yuv420p"
make clip_sound.wmv "-c:v wmv2 -q:v 2 -pix_fmt yuv420p" "-c:a wmav2 -b:a 64k"
# A 20-second still of the same quadrants (grey at 0) for playing while a scene runs many frames.
ffmpeg -v error -y -f lavfi -i "color=black:s=66x50:r=25:d=20,format=rgb24,geq=\
r='if(lt(Y,25),if(lt(X,33),255,0),0)':g='if(lt(Y,25),if(lt(X,33),0,255),0)':b='if(lt(Y,25),0,if(lt(X,33),255,0))'" \
  $exact -c:v mpeg1video -q:v 2 -g 250 -pix_fmt yuv420p -an long.mpg
# Damaged and foreign input.
head -c 3000 clip.avi > truncated.avi   # cut inside the header
head -c 7000 clip.avi > half.avi        # cut after the first frames
printf 'This is a text file, not a movie.\n' > not_a_movie.mpg
