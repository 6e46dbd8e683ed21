# What both MinGW-w64 toolchain files share: the compilers of TARN_TRIPLE (posix thread model),
# a find root that holds only the target's libraries, and Wine to run the programs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TARN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARN_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and the demo run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
