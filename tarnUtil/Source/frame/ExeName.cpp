// The executable's base name, the caption of the library's message boxes and the program name
// of the settings.
#include "internal/Library.h"

#include <cstdlib>
#include <iterator>

namespace tu::frame {

// Computed on first use without a lock: two first callers write the same characters.
const wchar_t* ExeName() {
    static wchar_t exeName[MAX_PATH] = {};
    if (!exeName[0]) {
        wchar_t path[MAX_PATH] = L"";
        ::GetModuleFileNameW(nullptr, path, std::size(path));
        _wsplitpath_s(path, nullptr, 0, nullptr, 0, exeName, std::size(exeName), nullptr, 0);
    }
    return exeName;
}

} // namespace tu::frame
