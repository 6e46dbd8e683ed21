// The timing of the library's timing build: when its static objects start and when each attach
// step ends. Linked only into tarnUtilTimed.dll.
#include "AttachTimes.h"

#include "internal/LoadSteps.h"

loadbench::AttachTimes tarnAttachTimes;
LOADBENCH_STATICS_START

void tu::frame::MarkAttachStep(AttachStep step) {
    tarnAttachTimes.marks[static_cast<int>(step)] = loadbench::Counter();
}
