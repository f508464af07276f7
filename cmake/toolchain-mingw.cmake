# Cross build for Windows with MinGW-w64. KESTREL_ARCH selects the target: "i686" (the shipped
# 32-bit program) or "x86_64" (the same sources for a 64-bit system, where a machine cannot run 32-bit
# code). KESTREL_THREADS selects the compiler variant: "win32" (the program) or "posix" (GoogleTest
# needs std::mutex, which the win32 variant lacks).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT DEFINED KESTREL_ARCH)
    set(KESTREL_ARCH i686)
endif()
if(NOT DEFINED KESTREL_THREADS)
    set(KESTREL_THREADS win32)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${KESTREL_ARCH})
set(CMAKE_C_COMPILER   ${KESTREL_ARCH}-w64-mingw32-gcc-${KESTREL_THREADS})
set(CMAKE_CXX_COMPILER ${KESTREL_ARCH}-w64-mingw32-g++-${KESTREL_THREADS})
set(CMAKE_RC_COMPILER  ${KESTREL_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
