// The executable's own application strings, exported for the library to find by name.
#include <windows.h>

extern "C" __declspec(dllexport) const wchar_t* WINAPI exeGetString(unsigned int id) {
    switch (id) {
    case 1:
        return L"Host product";
    case 7:
        return L"Host string seven";
    default:
        return nullptr;
    }
}
