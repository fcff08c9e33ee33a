# Skyflume-<version>-win64.zip: one folder, Skyflume, to unzip into
# C:\Program Files. The notice on FFmpeg and LAME comes from what
# scripts/windows/build_ffmpeg.sh wrote about its build; an FFmpeg from
# elsewhere (MSYS2, vcpkg) has no such record, and then no zip is made.
pkg_get_variable(SKYFLUME_FFMPEG_PREFIX libavcodec prefix)
set(ffmpeg_build_info ${SKYFLUME_FFMPEG_PREFIX}/build-info.cmake)
if(NOT EXISTS ${ffmpeg_build_info})
  message(STATUS "No Windows package: ${ffmpeg_build_info} is missing (FFmpeg not built by scripts/windows/build_ffmpeg.sh)")
  return()
endif()
include(${ffmpeg_build_info})

set(folder Skyflume)
set(SKYFLUME_PLUGIN_KEY "HKLM\\SOFTWARE\\Quillmark\\Sonaplex\\Plugins\\{E85D1DFD-8B26-4399-A2E8-20FE315600C1}")

install(TARGETS skyflume_module RUNTIME DESTINATION ${folder})

# Every DLL the module needs, and those they need in turn, beyond Windows' own:
# found in FFmpeg's bin folder or among mingw-w64's runtime DLLs, or the
# install fails and names it. FFmpeg's DLLs are named by the build, since the
# module loads them itself, and the import table does not list them.
set(dll_folders ${SKYFLUME_FFMPEG_PREFIX}/bin)
foreach(runtime_dll libwinpthread-1.dll libstdc++-6.dll libgcc_s_seh-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime_dll}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(runtime_folder "${runtime_path}" DIRECTORY)
  list(APPEND dll_folders "${runtime_folder}")
endforeach()
set(windows_dlls "^(advapi32|bcrypt|comctl32|comdlg32|crypt32|gdi32|iphlpapi|kernel32|msvcrt|ncrypt|ntdll|ole32|oleaut32|secur32|shell32|shlwapi|ucrtbase|user32|userenv|version|winmm|ws2_32|api-ms-win-[a-z0-9-]+)[.]dll$")
list(TRANSFORM SKYFLUME_FFMPEG_DLLS PREPEND ${SKYFLUME_FFMPEG_PREFIX}/bin/ OUTPUT_VARIABLE ffmpeg_dlls)
install(CODE "
  set(module_file \"$<TARGET_FILE:skyflume_module>\")
  set(ffmpeg_dlls \"${ffmpeg_dlls}\")
  set(dll_folders \"${dll_folders}\")
  set(windows_dlls \"${windows_dlls}\")
  set(destination \"\${CMAKE_INSTALL_PREFIX}/${folder}\")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")
")
install(CODE [[
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  file(GET_RUNTIME_DEPENDENCIES
    LIBRARIES ${module_file} ${ffmpeg_dlls}
    DIRECTORIES ${dll_folders}
    PRE_EXCLUDE_REGEXES ${windows_dlls}
    RESOLVED_DEPENDENCIES_VAR dlls
    UNRESOLVED_DEPENDENCIES_VAR missing)
  if(missing)
    message(FATAL_ERROR "Skyflume.sxp64 needs DLLs that are neither Windows' own nor found in ${dll_folders}: ${missing}")
  endif()
  file(INSTALL DESTINATION ${destination} TYPE SHARED_LIBRARY FILES ${ffmpeg_dlls} ${dlls})
]])

# Texts with Windows line ends, for Notepad and cmd.exe.
set(texts
  ${CMAKE_CURRENT_LIST_DIR}/install.cmd.in install.cmd
  ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmd.in uninstall.cmd
  ${CMAKE_CURRENT_LIST_DIR}/README.txt.in README.txt
  ${CMAKE_CURRENT_LIST_DIR}/FFMPEG-LAME-NOTICE.txt.in FFMPEG-LAME-NOTICE.txt
  ${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt
  /usr/share/common-licenses/LGPL-2.1 LGPL-2.1.txt
  /usr/share/common-licenses/LGPL-2 LGPL-2.txt)
while(texts)
  list(POP_FRONT texts source name)
  configure_file(${source} ${CMAKE_CURRENT_BINARY_DIR}/zip/${name} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zip/${name} DESTINATION ${folder})
endwhile()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME Skyflume-${PROJECT_VERSION}-win64)
# The install rules already put everything into the one folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
