#pragma once

#include <string>

#include "plugin_sdk/r_plugin.h"

// The plug-in module loaded with dlopen, reached only through its GetPlugin
// export. It stays loaded until this object goes.
class ModuleLibrary {
public:
    using GetPluginFunction = RPlugin* (*)(RPlugin**);

    explicit ModuleLibrary(const std::string& path);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // None, with Error() telling why, when the module did not load or lacks the export.
    GetPluginFunction GetPlugin() const { return getPlugin; }
    const std::string& Error() const { return error; }

private:
    void* handle = nullptr;
    GetPluginFunction getPlugin = nullptr;
    std::string error;
};
