# Cross-build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# Programs are linked statically, so they run on Windows, or under Wine, with
# no extra DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The windows need Qt for MinGW: scripts/qt-mingw builds it into a cache
# outside the work tree. Once that cache is complete, Qt's own toolchain file
# puts it on the search paths; it loads this file again (as its
# QT_CHAINLOAD_TOOLCHAIN_FILE: Qt records the path it was built with, which
# may be another checkout's), so this block runs once. Without the cache the
# build makes the tool and the libraries only. -DQL_QT_MINGW_PREFIX= names
# another Qt for MinGW; OFF uses none.
get_property(_ql_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT _ql_in_try_compile AND NOT _ql_loading_qt_toolchain)
  if(DEFINED QL_QT_MINGW_PREFIX)
    set(_ql_qt_prefix "${QL_QT_MINGW_PREFIX}")
  else()
    execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/qt-mingw --path
                    OUTPUT_VARIABLE _ql_qt_prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(_ql_qt_prefix AND EXISTS "${_ql_qt_prefix}/.complete")
    set(_ql_loading_qt_toolchain ON)
    set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_FILE}")
    include("${_ql_qt_prefix}/lib/cmake/Qt6/qt.toolchain.cmake")
    set(_ql_loading_qt_toolchain OFF)
  endif()
endif()
