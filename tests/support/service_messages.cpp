#include "support/service_messages.h"

#include <cstring>

namespace skyflume::test {
namespace {

// Counts and lengths go as four bytes, least significant first.
void AppendCount(std::string& bytes, std::size_t count) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((count >> shift) & 0xFF);
    }
}

std::optional<std::size_t> CountAt(const std::string& bytes, std::size_t at) {
    if (bytes.size() < at + 4) {
        return std::nullopt;
    }
    std::size_t count = 0;
    for (int i = 0; i < 4; ++i) {
        count |= static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return count;
}

}  // namespace

std::string Encode(const Message& message) {
    std::string bytes;
    AppendCount(bytes, message.size());
    for (const std::string& field : message) {
        AppendCount(bytes, field.size());
        bytes += field;
    }
    return bytes;
}

std::optional<Message> TakeMessage(std::string& received) {
    const std::optional<std::size_t> fields = CountAt(received, 0);
    if (!fields) {
        return std::nullopt;
    }
    Message message;
    std::size_t at = 4;
    for (std::size_t i = 0; i < *fields; ++i) {
        const std::optional<std::size_t> length = CountAt(received, at);
        if (!length || received.size() < at + 4 + *length) {
            return std::nullopt;
        }
        message.push_back(received.substr(at + 4, *length));
        at += 4 + *length;
    }
    received.erase(0, at);
    return message;
}

void AppendFields(Message& message, const std::map<std::string, std::string>& fields) {
    for (const auto& [name, value] : fields) {
        message.push_back(name);
        message.push_back(value);
    }
}

std::map<std::string, std::string> FieldsFrom(const Message& message, std::size_t first) {
    std::map<std::string, std::string> fields;
    for (std::size_t i = first; i + 1 < message.size(); i += 2) {
        fields[message[i]] = message[i + 1];
    }
    return fields;
}

// The headers go last, as many fields as they take.
Message ListenResultFields(const ListenResult& result) {
    std::string left(result.left.size() * sizeof(float), '\0');
    std::memcpy(left.data(), result.left.data(), left.size());
    Message message;
    message.insert(message.end(),
                   {result.connected ? "1" : "0", result.ended ? "1" : "0", result.formatName, result.codecName,
                    std::to_string(result.sampleRate), std::to_string(result.channels), std::to_string(result.bitRate),
                    std::to_string(result.framesDecoded), std::to_string(result.decodeErrors), left, result.contentType,
                    result.error, result.endReason});
    AppendFields(message, result.icyHeaders);
    return message;
}

ListenResult ListenResultFrom(const Message& fields) {
    ListenResult result;
    if (fields.size() < 13) {
        result.ended = true;
        result.error = "no listener result from the test services host";
        return result;
    }
    result.connected = fields[0] == "1";
    result.ended = fields[1] == "1";
    result.formatName = fields[2];
    result.codecName = fields[3];
    result.sampleRate = std::stoi(fields[4]);
    result.channels = std::stoi(fields[5]);
    result.bitRate = std::stoll(fields[6]);
    result.framesDecoded = std::stoll(fields[7]);
    result.decodeErrors = std::stoi(fields[8]);
    result.left.resize(fields[9].size() / sizeof(float));
    std::memcpy(result.left.data(), fields[9].data(), result.left.size() * sizeof(float));
    result.contentType = fields[10];
    result.error = fields[11];
    result.endReason = fields[12];
    result.icyHeaders = FieldsFrom(fields, 13);
    return result;
}

}  // namespace skyflume::test
