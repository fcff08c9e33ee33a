# Import libraries that bind the module to FFmpeg at first use rather than at
# load time (delay-loaded), made from the .def files that FFmpeg's Windows
# build installs. Windows looks for a DLL's own imports beside the program,
# not beside the DLL, when a host loads it with plain LoadLibraryW; bound
# late, the module first loads FFmpeg from its own folder.
set(_skyflume_delay_dir ${CMAKE_BINARY_DIR}/ffmpeg-delay-load)
set(SKYFLUME_FFMPEG_DELAY_LIBS "")
set(SKYFLUME_FFMPEG_DLLS "")
foreach(_library IN ITEMS avutil swresample avcodec avformat)
  file(GLOB _def "${FFMPEG_LIBRARY_DIRS}/${_library}-*.def")
  list(LENGTH _def _count)
  if(NOT _count EQUAL 1)
    message(FATAL_ERROR "Found ${_count} ${_library}-*.def in ${FFMPEG_LIBRARY_DIRS}, one needed to delay-load it")
  endif()
  get_filename_component(_dll ${_def} NAME_WE)
  set(_out ${_skyflume_delay_dir}/lib${_library}.delay.a)
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_skyflume_delay_dir}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${_def} --dllname ${_dll}.dll --output-delaylib ${_out}
    DEPENDS ${_def} VERBATIM)
  list(APPEND SKYFLUME_FFMPEG_DELAY_LIBS ${_out})
  list(APPEND SKYFLUME_FFMPEG_DLLS ${_dll}.dll)
endforeach()
add_custom_target(skyflume_ffmpeg_delay_libs DEPENDS ${SKYFLUME_FFMPEG_DELAY_LIBS})
