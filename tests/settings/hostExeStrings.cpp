// The executable's own application strings, exported for the library to find by name.
#include <windows.h>

extern "C" __declspec(dllexport) const wchar_t* WINAPI exeGetString(unsigned int id) {
    return id == 1 ? L"Host product" : id == 7 ? L"Host string seven" : nullptr;
}
