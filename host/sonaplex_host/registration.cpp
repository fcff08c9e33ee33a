#include "host/sonaplex_host/registration.h"

#include <iostream>

#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/module_loader.h"

int RunRegistration(const Options& options) {
    const bool registering = options.action == Options::Action::Register;
    std::string error;
    const std::optional<std::filesystem::path> path = options.module ? options.module : RegisteredModulePath(error);
    if (!path) {
        std::cerr << "sonaplex-host: " << error << "\n";
        return kExitModule;
    }
    const LoadedModule::Result loaded = LoadedModule::Load(*path);
    if (!loaded.module) {
        std::cerr << "sonaplex-host: " << loaded.error << "\n";
        return kExitModule;
    }
    const auto entry = registering ? loaded.module->RegisterServer(error) : loaded.module->UnregisterServer(error);
    if (entry == nullptr) {
        std::cerr << "sonaplex-host: " << error << "\n";
        return kExitModule;
    }
    const int32_t answer = entry();
    const char* name = registering ? "DllRegisterServer" : "DllUnregisterServer";
    const std::string where =
        std::string("HKEY_LOCAL_MACHINE\\") + kSkyflumePluginKey + " (registry folder " + RegistryFolder() + ")";
    if (answer != 0) {
        std::cerr << "sonaplex-host: " << name << " in " << path->string() << " failed (answered " << answer
                  << "): " << (registering ? "cannot write " : "cannot delete ") << where << "\n";
        return kExitModule;
    }
    std::cout << name << " in " << path->string() << " succeeded: " << (registering ? "registered under " : "removed ")
              << where << "\n";
    return kExitDone;
}
