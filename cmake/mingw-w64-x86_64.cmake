# Cross-compiles for Windows x64 with Debian's mingw-w64 and runs the results
# under Wine. The posix-threads compilers are used because the win32 variant
# lacks std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Prefixes of Windows builds of the dependencies, as printed by
# scripts/windows/build_ffmpeg.sh and build_googletest.sh.
set(SKYFLUME_WIN64_PREFIXES "" CACHE STRING "Prefixes holding Windows x64 builds of the dependencies")

# Headers, libraries and packages come from the mingw sysroot and those
# prefixes only, never from the build machine; programs do come from it.
# Listing a prefix as a root too keeps CMake from re-rooting it (pkg-config's
# library paths included).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${SKYFLUME_WIN64_PREFIXES})
list(APPEND CMAKE_PREFIX_PATH ${SKYFLUME_WIN64_PREFIXES})
# pkg-config likewise reads the Windows .pc files only: the build machine's
# would hand Linux libraries to the Windows link.
if(NOT DEFINED ENV{PKG_CONFIG_LIBDIR})
  set(_skyflume_pc_dirs /usr/${MINGW_TRIPLE}/lib/pkgconfig)
  foreach(_prefix IN LISTS SKYFLUME_WIN64_PREFIXES)
    list(APPEND _skyflume_pc_dirs "${_prefix}/lib/pkgconfig")
  endforeach()
  string(REPLACE ";" ":" _skyflume_pc_path "${_skyflume_pc_dirs}")
  set(ENV{PKG_CONFIG_LIBDIR} "${_skyflume_pc_path}")
endif()

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without these the outputs need libgcc_s_seh-1.dll, libstdc++-6.dll and
# libwinpthread-1.dll beside them at run time. With -static, ld no longer takes
# import libraries (.dll.a) for -lNAME, so link them by full path, as
# pkg_check_modules(... IMPORTED_TARGET) and find_library do.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets ctest and gtest_discover_tests start the test executables, through a
# wrapper that keeps Wine quiet and headless, with the dependencies' DLLs on
# Wine's search path.
find_program(SKYFLUME_WINE NAMES wine)
if(SKYFLUME_WINE)
  set(_skyflume_dll_dirs "")
  foreach(_prefix IN LISTS SKYFLUME_WIN64_PREFIXES)
    if(EXISTS "${_prefix}/bin")
      list(APPEND _skyflume_dll_dirs "${_prefix}/bin")
    endif()
  endforeach()
  # ':'-separated, since the ';' that Wine's own WINEPATH uses is CMake's list
  # separator and would not survive into the test commands.
  string(REPLACE ";" ":" _skyflume_dll_path "${_skyflume_dll_dirs}")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env "SKYFLUME_WINE_DLL_PATH=${_skyflume_dll_path}"
      "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh")
endif()
