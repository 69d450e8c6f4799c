#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A rectangle of the screen as drawn: one 0x00RRGGBB value per pixel, top row first.
struct ScreenImage {
    int Width = 0;
    int Height = 0;
    std::vector<DWORD> Pixels;
};

ScreenImage CaptureScreen(const RECT& area);
// Captures until two captures a moment apart agree, so no drawing is under way; empty after timeoutMs.
ScreenImage CaptureSettled(const RECT& area, DWORD timeoutMs = 10000);
bool WritePng(const std::string& path, const ScreenImage& image);
