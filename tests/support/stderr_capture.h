#pragma once

// What the process writes to standard error while the capture lives: the
// descriptor is pointed at a file of its own and put back by Text.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

class StderrCapture {
public:
    StderrCapture() {
        static int taken = 0;
        path = std::filesystem::temp_directory_path() / ("skyflume-stderr-" + std::to_string(++taken) + ".txt");
        std::fflush(stderr);
        file = std::fopen(path.string().c_str(), "wb");
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
            std::ifstream in(path, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            in.close();
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
        return text;
    }

private:
    std::filesystem::path path;
    std::FILE* file = nullptr;
    int saved = -1;
    std::string text;
};
