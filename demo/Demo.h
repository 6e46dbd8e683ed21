// One function per capability shown by the demo host, each printing its own section.
#pragma once

#include <cstdio>

void ShowFrame();
void ShowHooks();
void ShowUICall();
void ShowSettings();
void ShowIni();
void ShowContainers();
void ShowText();
void ShowFileSys();
void ShowOs();
void ShowGraphics();
void ShowWindowEffects();

// Prints a section heading.
inline void DemoSection(const char* title) {
    std::printf("\n== %s\n", title);
}

// Writes 32-bit BGRA pixels (straight alpha, top line first) as a PNG file; true when written.
bool WritePng(const wchar_t* path, const unsigned char* pixels, unsigned width, unsigned height);

// Writes a part of the screen into a PNG file as a compositing desktop shows it: this process's
// windows from the lowest up, each layered one blended over what lies under it (the display
// here has no compositor, so the screen itself holds layered windows unblended). True when
// the file was written.
bool CaptureScreenToPng(const struct tagRECT& area, const wchar_t* path);
