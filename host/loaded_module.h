#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "plugin_sdk/r_plugin.h"

// A loaded plug-in module, reached only through its three exports. The
// module stays loaded until this object goes.
class LoadedModule {
public:
    using GetPluginFunction = RPlugin* (*)(RPlugin**);
    using RegistrationFunction = int32_t (*)();

    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // Each answers none with `error` set when the module lacks the export.
    GetPluginFunction GetPlugin(std::string& error) const;
    RegistrationFunction RegisterServer(std::string& error) const;
    RegistrationFunction UnregisterServer(std::string& error) const;

    struct Result;
    static Result Load(const std::filesystem::path& path);

private:
    LoadedModule(std::filesystem::path path, void* handle) : path(std::move(path)), handle(handle) {}
    template <class Function>
    Function Export(const char* name, std::string& error) const;

    std::filesystem::path path;
    void* handle;
};

struct LoadedModule::Result {
    std::unique_ptr<LoadedModule> module;
    std::string error;
};
