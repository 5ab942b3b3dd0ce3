# 32-bit Windows programs, the release: they run on 32- and 64-bit Windows alike, as FS9 does.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARNWICK_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
