#!/bin/sh
# Redraws the binary pictures and the sound of the demo book into OEBPS/.
# Needs ImageMagick 6 (convert), python3, fontconfig (fc-match), the DejaVu fonts, sox and lame.
# The book itself never runs this: the files it writes are kept in the repository, so building
# the book needs none of these tools. Rerunning it gives pictures that look the same, though
# other versions of the tools may not give the same bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
images="$here/OEBPS/Images"
styles="$here/OEBPS/Styles"
audio="$here/OEBPS/Audio"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

serif_bold=$(fc-match -f '%{file}' 'DejaVu Serif:bold')
sans=$(fc-match -f '%{file}' 'DejaVu Sans')
sans_oblique=$(fc-match -f '%{file}' 'DejaVu Sans:oblique')

# Cover, 400 x 600 JPEG: night sky with stars, the tower on its rock, the beam, the title.
stars=$(awk 'BEGIN { srand(7); for (i = 0; i < 60; i++) { x = int(rand() * 400); y = int(rand() * 330);
                     printf "circle %d,%d %d,%d ", x, y, x, y + int(rand() * 2) } }')
convert \
  \( -size 400x400 gradient:'#050a1c-#1c2f5a' \) \
  \( -size 400x200 gradient:'#1a2d4f-#050b16' \) -append \
  -fill '#dfe6ff' -draw "$stars" \
  -fill 'rgba(255,238,175,0.22)' -draw 'polygon 250,318 0,250 0,372' \
  -fill 'rgba(255,238,175,0.12)' -draw 'polygon 250,318 400,290 400,340' \
  -fill '#0a0c12' -draw 'polygon 150,600 185,470 215,430 250,410 290,420 320,445 350,470 400,500 400,600' \
  -fill '#f4f1ea' -draw 'polygon 238,412 262,412 258,335 242,335' \
  -fill '#a51c1c' -draw 'rectangle 235,327 265,335' \
  -fill '#fff1b8' -draw 'rectangle 240,312 260,327' \
  -fill '#a51c1c' -draw 'polygon 236,312 264,312 250,299' \
  -fill 'rgba(255,241,184,0.35)' -draw 'circle 250,319 250,296' \
  -stroke 'rgba(160,190,230,0.35)' -strokewidth 1 \
  -draw 'line 20,520 120,520' -draw 'line 40,540 150,540' -draw 'line 10,565 90,565' -stroke none \
  -font "$serif_bold" -fill '#f3e3b3' -gravity north -pointsize 38 \
  -annotate +0+60 'The Light' -annotate +0+108 'on Tern Rock' \
  -font "$sans" -fill '#b9c4dd' -pointsize 15 -annotate +0+170 'a short story in five chapters' \
  -attenuate 0.25 +noise Gaussian -blur 0x0.5 \
  -strip -sampling-factor 4:2:0 -quality 82 "$images/cover.jpg"

# Headland at dusk, 480 x 300 JPEG, shown smaller than its natural size in chapter 1.
convert \
  \( -size 480x190 gradient:'#1f2b55-#f2a65a' \) \
  \( -size 480x110 gradient:'#2a4670-#0b1829' \) -append \
  -fill 'rgba(255,220,160,0.35)' -draw 'circle 120,188 120,150' \
  -fill 'rgba(255,230,180,0.9)' -draw 'circle 120,188 120,176' \
  -fill 'rgba(255,238,175,0.30)' -draw 'polygon 326,142 0,98 0,170' \
  -fill '#14161c' -draw 'polygon 230,300 270,240 300,214 340,198 380,188 430,180 480,176 480,300' \
  -fill '#0f1116' -draw 'polygon 300,300 330,262 360,250 400,246 480,240 480,300' \
  -fill '#f4f1ea' -draw 'polygon 318,200 334,200 331,152 321,152' \
  -fill '#a51c1c' -draw 'rectangle 316,146 336,152' \
  -fill '#ffe9a8' -draw 'rectangle 320,137 332,146' \
  -fill '#a51c1c' -draw 'polygon 317,137 335,137 326,128' \
  -fill '#e9e4d6' -draw 'rectangle 338,188 356,200' -draw 'rectangle 358,186 376,200' \
  -stroke 'rgba(255,210,150,0.5)' -strokewidth 1 \
  -draw 'line 80,205 160,205' -draw 'line 95,214 150,214' -draw 'line 60,226 180,226' -draw 'line 100,240 140,240' \
  -stroke none -attenuate 0.35 +noise Gaussian -blur 0x0.6 \
  -strip -sampling-factor 4:2:0 -quality 80 "$images/headland.jpg"

# Abel's chart, 400 x 300 PNG with a 32-colour palette, shown at its natural size in chapter 2.
reef=$(awk 'BEGIN { for (i = 0; i <= 14; i++) { t = i / 14; x = int(112 - 80 * t - 10 * sin(t * 3.14));
                    y = int(206 + 70 * t - 18 * sin(t * 3.14));
                    printf "line %d,%d %d,%d line %d,%d %d,%d ", x - 3, y, x + 3, y, x, y - 3, x, y + 3 } }')
convert -size 400x300 xc:'#d6e8ef' \
  -fill '#c3dce7' -draw 'polygon 0,0 400,0 400,300 0,300 0,240 60,150 130,120 200,150 230,220 180,300 0,300' \
  -fill '#efe2bd' -stroke '#8a7a55' -strokewidth 1.5 \
  -draw 'polygon 150,0 400,0 400,230 360,210 330,150 300,120 270,110 250,80 220,60 180,40 160,20' \
  -fill '#e2d29f' -stroke none -draw 'polygon 250,80 270,110 300,120 330,150 340,170 320,140 295,125 262,108' \
  -fill '#8a7a55' -draw 'rectangle 318,100 324,106' -draw 'rectangle 328,96 334,102' \
  -draw 'rectangle 326,108 332,114' -draw 'rectangle 338,104 344,110' \
  -fill '#efe2bd' -stroke '#8a7a55' -strokewidth 1.5 -draw 'ellipse 120,196 9,6 0,360' \
  -fill '#c2185b' -stroke none -draw 'polygon 120,194 114,176 120,170 126,176' \
  -fill '#1e1e1e' -draw 'circle 120,195 120,197' \
  -stroke '#5b4a2f' -strokewidth 1 -draw "$reef" \
  -fill none -stroke '#2b5c85' -strokewidth 1.2 \
  -draw 'stroke-dasharray 6 4 path "M 230,300 C 220,250 250,190 290,150 S 320,120 330,118"' \
  -stroke '#2b5c85' -strokewidth 1 -draw 'line 30,20 30,55' -fill '#2b5c85' -draw 'polygon 30,14 25,26 35,26' \
  -stroke none -fill '#2b5c85' -font "$sans" -pointsize 12 -draw 'text 25,70 "N"' \
  -fill '#3d3d3d' -font "$sans" -pointsize 9 \
  -draw 'text 60,110 "18"' -draw 'text 200,110 "12"' -draw 'text 250,270 "9"' -draw 'text 185,168 "7"' \
  -draw 'text 70,160 "15"' -draw 'text 330,260 "11"' -draw 'text 280,210 "6"' -draw 'text 40,290 "20"' \
  -draw 'text 95,250 "2"' -draw 'text 60,230 "1"' \
  -fill '#1e1e1e' -font "$sans" -pointsize 12 -draw 'text 132,200 "Tern Rock"' -draw 'text 300,70 "SALTBY"' \
  -font "$sans_oblique" -pointsize 11 -fill '#5b4a2f' -draw 'text 18,258 "The Reef"' \
  -fill '#2b5c85' -draw 'text 236,246 "Channel"' \
  -fill none -stroke '#5b4a2f' -strokewidth 2 -draw 'rectangle 1,1 398,298' \
  -colors 32 -strip "PNG8:$images/harbour.png"

# Page background tile, 96 x 96 PNG. Written byte by byte so that its alpha channel is exactly
# what is asked for: faint fibres and specks over full transparency, for the page colour to show through.
python3 - "$styles/paper.png" <<'EOF'
import random, struct, sys, zlib

W = H = 96
rng = random.Random(1868)
alpha = [[0] * W for _ in range(H)]

def dab(x, y, a):
    x %= W
    y %= H
    alpha[y][x] = min(80, alpha[y][x] + a)

for _ in range(70):  # fibres: short wandering strokes, wrapped at the edges so the tiles join up
    x, y = rng.uniform(0, W), rng.uniform(0, H)
    dx, dy = rng.uniform(-1, 1), rng.uniform(-1, 1)
    for _ in range(rng.randint(4, 14)):
        dab(int(x), int(y), rng.randint(10, 20))
        x, y = x + dx, y + dy
        dx, dy = dx + rng.uniform(-0.3, 0.3), dy + rng.uniform(-0.3, 0.3)
for _ in range(160):  # specks
    dab(rng.randrange(W), rng.randrange(H), rng.randint(12, 30))

raw = b"".join(b"\x00" + bytes(v for a in row for v in (120, 92, 48, a)) for row in alpha)

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

with open(sys.argv[1], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n")
    out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)))
    out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
    out.write(chunk(b"IEND", b""))
EOF

# Fog signal, 3 s of mono MP3. The blast is synthesised sample by sample (a groan that climbs to its
# note, holds, and falls to a grunt), softened and given some room by sox, then encoded by lame.
python3 - "$work/blast.wav" <<'EOF'
import math, random, struct, sys, wave

RATE = 22050
LENGTH = 2.6
rng = random.Random(1868)

def pitch(t):
    if t < 0.3:
        return 110 + 40 * (t / 0.3)
    if t < 1.8:
        return 150 + 1.5 * math.sin(2 * math.pi * 5 * t)
    if t < 2.3:
        return 150 - 85 * ((t - 1.8) / 0.5)
    return 65

def loudness(t):
    if t < 0.08:
        return t / 0.08
    if t < 1.8:
        return 1.0
    if t < 2.3:
        return 1.0 - 0.3 * ((t - 1.8) / 0.5)
    return max(0.0, 0.7 * (1 - (t - 2.3) / 0.3))

harmonics = [1 / n ** 1.3 for n in range(1, 13)]
norm = sum(harmonics)
phase = 0.0
frames = bytearray()
for i in range(int(RATE * LENGTH)):
    t = i / RATE
    phase += 2 * math.pi * pitch(t) / RATE
    s = sum(a * math.sin(n * phase) for n, a in enumerate(harmonics, 1)) / norm
    s += 0.04 * rng.uniform(-1, 1)
    frames += struct.pack("<h", int(26000 * loudness(t) * s))

with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(bytes(frames))
EOF
sox "$work/blast.wav" "$work/horn.wav" lowpass 1800 pad 0 0.4 reverb 30 gain -n -3
lame --quiet -m m -b 40 "$work/horn.wav" "$audio/foghorn.mp3"

ls -l "$images/cover.jpg" "$images/headland.jpg" "$images/harbour.png" "$styles/paper.png" "$audio/foghorn.mp3"
