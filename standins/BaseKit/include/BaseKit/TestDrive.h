// What test programs use to drive BaseKit.dll: choose the UI thread, read the last error.
#pragma once

#include "Export.h"

#include <string>

namespace bk {

// Makes the given thread the user-input thread of the process.
BASEKIT_API void SetUserInputThread(unsigned long threadId);

// The last error recorded in a thread through app::SetLastError.
struct tErrorRecord {
    std::string function;
    std::string file;
    unsigned int line = 0;
    int group = 0;
    unsigned long code = 0;
    bool log = false;
};

// The calling thread's last error; false when none was recorded since the last clear.
BASEKIT_API bool GetLastErrorRecord(tErrorRecord& record);
// Forgets the calling thread's last error.
BASEKIT_API void ClearLastErrorRecord();
// Errors recorded in the whole process so far.
BASEKIT_API unsigned long GetErrorCount();

} // namespace bk
