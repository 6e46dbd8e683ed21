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

// Captures a part of the screen into a PNG file; true when the file was written.
bool CaptureScreenToPng(const struct tagRECT& area, const wchar_t* path);
