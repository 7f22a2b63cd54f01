# Finds Qt for MinGW for the Windows window, the demo and their tests.
# Debian has no Qt for Windows; it is built from Debian's own qt6-base source
# (scripts/windows/build-qt.sh). Looked for, in order:
#   1. the prefix in the environment variable TARVIK_QT_MINGW;
#   2. the ready-made archive of that build in ../shared/windows beside the
#      project, unpacked once into the build folder;
#   3. the default prefix of build-qt.sh, ~/.cache/tarvik/qt6-mingw-6.4.2.
# Sets TARVIK_QT_MINGW_PREFIX, or leaves it empty with one line saying why.

set(TARVIK_QT_MINGW_NAME qt6-mingw-6.4.2)
set(TARVIK_QT_MINGW_ARCHIVE ${PROJECT_SOURCE_DIR}/../shared/windows/${TARVIK_QT_MINGW_NAME}.tar.xz)
set(TARVIK_QT_MINGW_SHA256 b2eeed4730c3abe98c200fd08734f3940206c461c1a6087d0f7efa5f0417c959)
if(DEFINED ENV{XDG_CACHE_HOME})
  set(TARVIK_QT_MINGW_CACHE $ENV{XDG_CACHE_HOME}/tarvik/${TARVIK_QT_MINGW_NAME})
else()
  set(TARVIK_QT_MINGW_CACHE $ENV{HOME}/.cache/tarvik/${TARVIK_QT_MINGW_NAME})
endif()

function(tarvik_is_qt_prefix dir out)
  if(EXISTS ${dir}/lib/cmake/Qt6/Qt6Config.cmake AND EXISTS ${dir}/bin/Qt6Widgets.dll)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(TARVIK_QT_MINGW_PREFIX "")
if(DEFINED ENV{TARVIK_QT_MINGW})
  tarvik_is_qt_prefix("$ENV{TARVIK_QT_MINGW}" found)
  if(NOT found)
    message(FATAL_ERROR "TARVIK_QT_MINGW=$ENV{TARVIK_QT_MINGW} holds no Qt for MinGW (lib/cmake/Qt6, bin/Qt6Widgets.dll)")
  endif()
  set(TARVIK_QT_MINGW_PREFIX "$ENV{TARVIK_QT_MINGW}")
elseif(EXISTS ${TARVIK_QT_MINGW_ARCHIVE})
  set(unpacked ${CMAKE_BINARY_DIR}/${TARVIK_QT_MINGW_NAME})
  tarvik_is_qt_prefix(${unpacked} found)
  if(NOT found)
    file(SHA256 ${TARVIK_QT_MINGW_ARCHIVE} sum)
    if(NOT sum STREQUAL TARVIK_QT_MINGW_SHA256)
      message(FATAL_ERROR "${TARVIK_QT_MINGW_ARCHIVE}: SHA-256 ${sum}, expected ${TARVIK_QT_MINGW_SHA256}")
    endif()
    message(STATUS "Unpacking ${TARVIK_QT_MINGW_ARCHIVE}")
    file(REMOVE_RECURSE ${unpacked})
    file(ARCHIVE_EXTRACT INPUT ${TARVIK_QT_MINGW_ARCHIVE} DESTINATION ${CMAKE_BINARY_DIR})
    tarvik_is_qt_prefix(${unpacked} found)
    if(NOT found)
      message(FATAL_ERROR "${TARVIK_QT_MINGW_ARCHIVE} did not unpack to ${unpacked}")
    endif()
  endif()
  set(TARVIK_QT_MINGW_PREFIX ${unpacked})
else()
  tarvik_is_qt_prefix(${TARVIK_QT_MINGW_CACHE} found)
  if(found)
    set(TARVIK_QT_MINGW_PREFIX ${TARVIK_QT_MINGW_CACHE})
  endif()
endif()

if(TARVIK_QT_MINGW_PREFIX)
  message(STATUS "Qt for MinGW: ${TARVIK_QT_MINGW_PREFIX}")
  # The toolchain finds packages under its roots only; the Qt prefix is one.
  list(APPEND CMAKE_FIND_ROOT_PATH ${TARVIK_QT_MINGW_PREFIX})
  # moc, rcc and uic come from the host's Qt of the same version.
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt for the cross build's tools")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")
else()
  message(STATUS "Windows window, demo and their tests skipped: no Qt for MinGW. "
    "Set TARVIK_QT_MINGW to its prefix, put ${TARVIK_QT_MINGW_NAME}.tar.xz in ../shared/windows, "
    "or run scripts/windows/build-qt.sh (about an hour).")
endif()
