# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads, so
# std::thread and std::mutex work). Used both to build Qt itself
# (scripts/windows-toolchain.sh) and to build Mirell against that Qt:
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# or, equivalently, the prepared Qt's own bin/qt-cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MIRELL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MIRELL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRELL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRELL_MINGW}-windres)
set(CMAKE_AR ${MIRELL_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MIRELL_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# The Qt prepared by scripts/windows-toolchain.sh; another place through the
# environment. While Qt itself is being built the folder is still empty.
if(DEFINED ENV{MIRELL_WINDOWS_QT})
  set(MIRELL_WINDOWS_QT $ENV{MIRELL_WINDOWS_QT})
else()
  set(MIRELL_WINDOWS_QT /var/cache/mirell-windows/qt6)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${MIRELL_MINGW} ${MIRELL_WINDOWS_QT})
list(APPEND CMAKE_PREFIX_PATH ${MIRELL_WINDOWS_QT})
# Only headers and libraries come from the Windows side; moc, rcc and uic
# are Debian's own, which are the same Qt version.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

