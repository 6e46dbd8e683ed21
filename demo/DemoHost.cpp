// The demo host: a program of the suite that loads tarnUtil.dll and uses it.
#include "Demo.h"

int wmain() {
    std::printf("tarnUtil demo: a program loading the suite's utility library\n");
    ShowFrame();
    ShowUICall();
    ShowSettings();
    ShowIni();
    ShowFileSys();
    ShowOs();
    ShowGraphics();
    ShowText();
    ShowContainers();
    ShowHooks();
    ShowWindowEffects();
    std::printf("\n");
    return 0;
}
