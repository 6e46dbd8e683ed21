// Program environment: the user-input thread as the library recorded it.
#include "tuSettings.h"

#include "frame/Library.h"

DWORD WINAPI ssnGetUserInputThreadID() {
    return tu::frame::LoaderThreadId();
}
