# Cross-builds for Windows x64 with MinGW-w64 (posix thread model); programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARN_TRIPLE x86_64-w64-mingw32)
set(TARN_LIBGCC_DLL libgcc_s_seh-1.dll) # the compiler's runtime unwinds with SEH on x64
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
