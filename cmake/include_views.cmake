# Each layer's targets see only the headers they may use: a target's include
# folder is a view in the build tree that links to the allowed folders of
# the source tree, never the source root itself. So an include that
# crosses the layers' direction (a host header including broadcast/, say)
# does not compile, whatever scripts/check_layers.sh says.

set(SKYFLUME_INCLUDE_VIEWS ${CMAKE_BINARY_DIR}/include_views)

# skyflume_include_view(NAME FOLDER...) makes the view NAME of the folders,
# each a path relative to the source root, and sets
# SKYFLUME_VIEW_<NAME> to its folder.
function(skyflume_include_view name)
  # Making symbolic links on a Windows machine takes rights a developer may
  # not have: there every view is the source root, and the Linux builds (and
  # check_layers.sh) keep the layers apart.
  if(CMAKE_HOST_WIN32)
    set(SKYFLUME_VIEW_${name} ${PROJECT_SOURCE_DIR} PARENT_SCOPE)
    return()
  endif()
  set(view ${SKYFLUME_INCLUDE_VIEWS}/${name})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endforeach()
  set(SKYFLUME_VIEW_${name} ${view} PARENT_SCOPE)
endfunction()

# The SDK's interfaces, all that a host sees of the SDK.
skyflume_include_view(sdk_interfaces plugin_sdk)
# The plug-in frame, the module's side of the SDK.
skyflume_include_view(sdk_frame plugin_frame)
skyflume_include_view(broadcast broadcast)
skyflume_include_view(module module)
skyflume_include_view(host host)
