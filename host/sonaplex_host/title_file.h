#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// The title that playout software writes into a file ("now playing"): the
// file's first line, read again whenever the file is written or replaced.
// The folder is watched rather than the file, so that a file renamed over
// the old one is seen as well; a folder made later, or made anew, is watched
// once it is there. What is read is made fit to announce: valid UTF-8
// without control characters, at most kMaxBytes long, cut between two
// characters.
class TitleFile {
public:
    static constexpr std::size_t kMaxBytes = 255;

    // Starts watching and reads the file once.
    explicit TitleFile(std::filesystem::path path);
    ~TitleFile();
    TitleFile(const TitleFile&) = delete;
    TitleFile& operator=(const TitleFile&) = delete;

    // Reads the file again if it changed since the last call; answers the
    // title, empty while there is none.
    const std::string& Title();
    // Lines about what went wrong since the last call.
    std::vector<std::string> TakeReports() { return std::exchange(reports, {}); }

private:
    // Watches the folder; answers whether it is watched.
    bool Arm();
    bool Changed();
    void Read();

    const std::filesystem::path path;
    int watch = -1;  // the inotify descriptor; -1 when none could be had
    bool watched = false;
    bool lossReported = false;
    std::string title;
    bool readFailed = false;
    std::vector<std::string> reports;
};
