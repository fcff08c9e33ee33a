#include "metered_thread.h"

#include <pthread.h>
#include <unistd.h>
#include <ctime>

MeteredBody* MeteredBody::Create(SXThread* body, std::shared_ptr<ThreadMeter> meter) {
    return new MeteredBody(body, std::move(meter));
}

MeteredBody::MeteredBody(SXThread* body, std::shared_ptr<ThreadMeter> meter) : body(body), meter(std::move(meter)) {
    body->AddRef();
}

MeteredBody::~MeteredBody() {
    body->Release();
}

int32_t MeteredBody::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t MeteredBody::AddRef() {
    return ++refCount;
}

int32_t MeteredBody::Release() {
    const int32_t count = --refCount;
    if (count == 0) {
        delete this;
    }
    return count;
}

int32_t MeteredBody::Run() {
    // Named, so that a profile of the benchmark can be narrowed to it.
    pthread_setname_np(pthread_self(), "skyflume-worker");
    meter->threadId = gettid();
    const int32_t answer = body->Run();
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    meter->cpuSeconds = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
    meter->ended = true;
    return answer;
}
