#include "broadcast/stream_params.h"

#include "plugin_sdk/host_application.h"

void FreeStreamParams(StreamParams* record) {
    delete[] record->url;
    for (char* text : {record->radioName, record->radioDescription, record->radioGenre, record->radioWebsite}) {
        if (text != nullptr) {
            record->host->FreeUtf8(text);
        }
    }
    delete record;
}
