// A stand-in for the plug-in module: a DLL using std::thread and FFmpeg, to
// show that it loads under Wine without the mingw runtime DLLs beside it.
extern "C" {
#include <libavformat/avformat.h>
}

#include <thread>

extern "C" __declspec(dllexport) unsigned probe_avformat_version_from_thread() {
    unsigned version = 0;
    std::thread worker([&version] { version = avformat_version(); });
    worker.join();
    return version;
}
