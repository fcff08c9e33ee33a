#include "host/sonaplex_host/reporter.h"

#include <iostream>

#include "host/text_conversion.h"

std::string Utf8(const HostText& text) {
    return Utf16ToUtf8(text.c_str());
}

void Complain(const std::string& text) {
    std::cerr << "sonaplex-host: " << text << std::endl;
}

void Reporter::ReportNews(const SettingsWindowUser* user) {
    const auto& messages = application.Messages();
    for (; messagesShown < messages.size(); ++messagesShown) {
        const ApplicationBase::Message& message = messages[messagesShown];
        Say(std::string(message.boxed ? "message box \"" : "message \"") + Utf8(message.caption) +
            "\": " + Utf8(message.text));
    }
    if (user != nullptr) {
        const HostText status = user->StatusText();
        if (status != lastStatus) {
            lastStatus = status;
            Say(Utf8(status));
        }
    }
}
