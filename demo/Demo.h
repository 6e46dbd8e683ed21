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

// Prints a section heading.
inline void DemoSection(const char* title) {
    std::printf("\n== %s\n", title);
}
