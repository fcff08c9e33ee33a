# Each layer's targets see only the headers they may use: a target's include
# folder is a view in the build tree that links to the allowed folders and
# files of the source tree, never the source root itself. So an include that
# crosses the layers' direction (a host header including broadcast/, say)
# does not compile, whatever scripts/check_layers.sh says.

set(SKYFLUME_INCLUDE_VIEWS ${CMAKE_BINARY_DIR}/include_views)

# skyflume_include_view(NAME ENTRY...) makes the view NAME, an ENTRY being a
# folder or file path relative to the source root, and sets
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
  foreach(entry IN LISTS ARGN)
    get_filename_component(parent ${view}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${entry} ${view}/${entry} SYMBOLIC)
  endforeach()
  set(SKYFLUME_VIEW_${name} ${view} PARENT_SCOPE)
endfunction()

# The SDK's interfaces, all that a host sees of plugin_sdk/.
skyflume_include_view(sdk_interfaces
  plugin_sdk/gui_toolkit.h
  plugin_sdk/host_application.h
  plugin_sdk/host_listeners.h
  plugin_sdk/r_plugin.h
  plugin_sdk/r_string.h
  plugin_sdk/r_unknown.h
  plugin_sdk/ref_ptr.h
  plugin_sdk/sdk_types.h
  plugin_sdk/skyflume_contract.h)
# The plug-in frame, the module's side of plugin_sdk/.
skyflume_include_view(sdk_frame
  plugin_sdk/cr_string.h
  plugin_sdk/cr_unknown.h
  plugin_sdk/sx_general_plugin.h
  plugin_sdk/sx_general_plugin_helper.h)
skyflume_include_view(broadcast broadcast)
skyflume_include_view(module module)
skyflume_include_view(host host)
