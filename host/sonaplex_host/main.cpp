// sonaplex-host: loads the Skyflume module as the Sonaplex host does and
// streams through it, from the command line or a configuration file.

#include <iostream>

#include "host/sonaplex_host/config_check.h"
#include "host/sonaplex_host/exit_status.h"
#include "host/sonaplex_host/options.h"
#include "host/sonaplex_host/registration.h"
#include "host/sonaplex_host/session.h"

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(argc, argv);
    if (!parsed.problems.empty()) {
        for (const std::string& problem : parsed.problems) {
            std::cerr << "sonaplex-host: " << problem << "\n";
        }
        std::cerr << "(sonaplex-host --help lists the options)\n";
        return kExitUsage;
    }
    switch (parsed.options.action) {
    case Options::Action::Help:
        std::cout << HelpText();
        return kExitDone;
    case Options::Action::Version:
        std::cout << VersionText();
        return kExitDone;
    case Options::Action::CheckConfig:
        return CheckConfig(parsed.options);
    case Options::Action::Register:
    case Options::Action::Unregister:
        return RunRegistration(parsed.options);
    case Options::Action::Stream:
    case Options::Action::DrawWindow:
        break;
    }
    return RunSession(parsed.options);
}
