# Cross-builds for 32-bit Windows (x86) with MinGW-w64 (posix thread model). The Wine here runs
# 64-bit programs only, so this variant is compiled and linked, never run.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARN_TRIPLE i686-w64-mingw32)
set(TARN_LIBGCC_DLL libgcc_s_dw2-1.dll) # the compiler's runtime unwinds with DWARF-2 on x86
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
