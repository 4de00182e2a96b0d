// Colours and fonts of dialogs and controls.
#pragma once

#include <windows.h>

#include <string_view>

constexpr long colorSystemDefault = -1;
constexpr long colorTransparent = -2;
constexpr long colorWhite = 0xFFFFFF;
constexpr long colorBlack = 0x000000;

// The default dialog font: every dialog is made with it and it is font 1.
constexpr char dialogFontFace[] = "MS Sans Serif";
constexpr WORD dialogFontPoints = 8;

// Colours are 0x00BBGGRR; id dialogItself names the dialog.
void controlSetColor(HWND dialog, int id, long background, long text);

enum FontStyle : unsigned { fontBold = 1, fontItalic = 2, fontUnderline = 4, fontStrikeOut = 8 };

// Registers a font description and returns its number; the same description
// returns the same number. 0 points means 8. Number 1 is the dialog font.
int fontNew(std::string_view face, float points, unsigned style, int charSet, int pitchAndFamily,
            int escapement);
// 0 means the default dialog font.
void controlSetFont(HWND dialog, int id, int fontNumber);
// How many controls use the font now (0 for a number that names no font).
int fontUsers(int fontNumber);
