// The Linux handle's interface has the three slots that host and module agree
// on; on Windows a HANDLE is the system's own.

#include <gtest/gtest.h>

#include "platform/windows_api.h"
#include "slot_layout.h"

namespace {

TEST(SlotTest, PlatformObject) {
    ExpectSlots<PlatformObject>("PlatformObject", 0, &PlatformObject::Wait, &PlatformObject::Signal,
                                &PlatformObject::Close);
}

}  // namespace
