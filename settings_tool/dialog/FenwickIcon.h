// The program's icon, 32 x 32: a display with a check mark. One letter per pixel; the letters'
// colours (red, green, blue, alpha) follow.
#pragma once

const int kFenwickIconSize = 32;

const char* const kFenwickIcon[kFenwickIconSize] = {
    "................................",
    "................................",
    "................................",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "..kggggggggggggggggggggggggggk..",
    "..kggggggggggggggggggggggggggk..",
    "..kggllllllllllllllllllllllggk..",
    "..kggllllllllllllllllllllllggk..",
    "..kggllllllllllllllllwwllllggk..",
    "..kgglllllllllllllllwwwllllggk..",
    "..kggbbbbbbbbbbbbbbwwwbbbbbggk..",
    "..kggbbbbbbbbbbbbbwwwbbbbbbggk..",
    "..kggbbbbbbbbbbbbwwwbbbbbbbggk..",
    "..kggbbbbbbbbbbbwwwbbbbbbbbggk..",
    "..kggbbbbwwbbbbwwwbbbbbbbbbggk..",
    "..kggbbbbwwwbbwwwbbbbbbbbbbggk..",
    "..kggbbbbbwwwwwwbbbbbbbbbbbggk..",
    "..kggbbbbbbwwwwbbbbbbbbbbbbggk..",
    "..kggbbbbbbbwwbbbbbbbbbbbbbggk..",
    "..kggbbbbbbbbbbbbbbbbbbbbbbggk..",
    "..kggbbbbbbbbbbbbbbbbbbbbbbggk..",
    "..kggggggggggggggggggggggggggk..",
    "..kggggggggggggggggggggggggggk..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    ".............kggggk.............",
    ".............kggggk.............",
    ".............kkkkkk.............",
    "........kggggggggggggggk........",
    "........kggggggggggggggk........",
    "........kkkkkkkkkkkkkkkk........",
    "................................",
    "................................"
};

struct IconColour {
    char letter;
    unsigned char rgba[4];
};

const IconColour kFenwickIconColours[] = {
    {'.', {0, 0, 0, 0}},
    {'k', {0x20, 0x28, 0x30, 0xFF}},
    {'g', {0xB8, 0xC0, 0xC8, 0xFF}},
    {'b', {0x28, 0x60, 0xB0, 0xFF}},
    {'l', {0x4A, 0x80, 0xD0, 0xFF}},
    {'w', {0xFF, 0xFF, 0xFF, 0xFF}},
};
