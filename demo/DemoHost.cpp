// The demo host: a program of the suite that loads tarnUtil.dll and uses it.
#include "Demo.h"

int wmain() {
    std::printf("tarnUtil demo: a program loading the suite's utility library\n");
    ShowFrame();
    ShowSettings();
    ShowIni();
    ShowFileSys();
    ShowText();
    ShowContainers();
    std::printf("\n");
    return 0;
}
