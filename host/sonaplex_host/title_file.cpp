#include "host/sonaplex_host/title_file.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

// The length of the UTF-8 sequence that starts with `lead`; 0 if none does.
std::size_t SequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
}

// The line's valid characters, without controls (C0, DEL and C1), up to
// `maxBytes` bytes of whole characters.
std::string Cleaned(const std::string& line, std::size_t maxBytes) {
    std::string clean;
    for (std::size_t at = 0; at < line.size();) {
        const auto lead = static_cast<unsigned char>(line[at]);
        std::size_t length = SequenceLength(lead);
        for (std::size_t next = 1; next < length; ++next) {
            if (at + next >= line.size() || (static_cast<unsigned char>(line[at + next]) & 0xC0) != 0x80) {
                length = 0;
            }
        }
        if (length == 0) {
            ++at;
            continue;
        }
        const bool control =
            lead < 0x20 || lead == 0x7F || (lead == 0xC2 && static_cast<unsigned char>(line[at + 1]) < 0xA0);
        if (!control) {
            if (clean.size() + length > maxBytes) {
                break;
            }
            clean.append(line, at, length);
        }
        at += length;
    }
    return clean;
}

}  // namespace

TitleFile::TitleFile(std::filesystem::path file) : path(std::move(file)) {
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0) {
        reports.push_back(std::string("cannot watch the title file: ") + std::strerror(errno));
    }
    Arm();
    Read();
}

// Playout software may make its folder only once it runs, or make it anew
// when it starts again: a folder that is not watched is tried again at every
// look, and reported once each time it is lost.
bool TitleFile::Arm() {
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    watched = watch >= 0 && inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) >= 0;
    if (!watched && watch >= 0 && !lossReported) {
        reports.push_back("cannot watch the folder of the title file, " + folder.string() + ": " +
                          std::strerror(errno));
    }
    lossReported = !watched;
    return watched;
}

TitleFile::~TitleFile() {
    if (watch >= 0) {
        ::close(watch);
    }
}

const std::string& TitleFile::Title() {
    if (Changed()) {
        Read();
    }
    return title;
}

// A folder watched again may hold a new file already.
bool TitleFile::Changed() {
    if (!watched) {
        return Arm();
    }
    bool changed = false;
    alignas(inotify_event) char events[4096];
    for (ssize_t size; (size = ::read(watch, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            changed = changed || (event->len > 0 && path.filename() == event->name);
            // The folder is gone, and its watch with it.
            watched = watched && (event->mask & IN_IGNORED) == 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return changed;
}

void TitleFile::Read() {
    std::ifstream file(path);
    std::string line;
    if (!file.is_open() || (!std::getline(file, line) && !file.eof())) {
        if (!readFailed) {
            reports.push_back("cannot read the title file " + path.string());
        }
        readFailed = true;
        return;
    }
    readFailed = false;
    title = Cleaned(line, kMaxBytes);
}
