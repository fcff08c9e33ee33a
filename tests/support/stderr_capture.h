#pragma once

// What the process writes to standard error while the capture lives: the
// descriptor is pointed at a file of its own and put back by Text.

#include <cstdio>
#include <string>

#include "support/temp_folder.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        file = std::fopen((folder / "stderr.txt").string().c_str(), "wb");
        saved = dup(2);
        if (file != nullptr && saved >= 0) {
            dup2(fileno(file), 2);
        }
    }
    ~StderrCapture() { Text(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Ends the capture, the first time, and answers what was written.
    std::string Text() {
        if (saved >= 0) {
            std::fflush(stderr);
            dup2(saved, 2);
            close(saved);
            saved = -1;
        }
        if (file != nullptr) {
            std::fclose(file);
            file = nullptr;
            text = skyflume::test::FileText(folder / "stderr.txt");
        }
        return text;
    }

private:
    skyflume::test::TempFolder folder;
    std::FILE* file = nullptr;
    int saved = -1;
    std::string text;
};
