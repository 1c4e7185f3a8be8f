# 32-bit Windows, the width the product ships in; this kernel cannot run its programs.
set(NVL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
