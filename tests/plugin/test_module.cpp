// The built module as a host meets it: loaded at run time, reached only
// through its exports.

#include "support/module_fixture.h"

namespace {

TEST_F(ModuleTest, EachGetPluginCreatesAnIndependentObjectWithOneReference) {
    RPlugin* first = nullptr;
    RPlugin* second = nullptr;
    EXPECT_EQ(getPlugin(&first), first);
    EXPECT_EQ(getPlugin(&second), second);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);

    EXPECT_EQ(first->AddRef(), 2);
    EXPECT_EQ(second->AddRef(), 2);
    EXPECT_EQ(first->Release(), 1);
    EXPECT_EQ(first->Release(), 0);

    void* block = nullptr;
    ASSERT_EQ(second->GetState(&block), 1204);
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (int i = 0; i < 1204; ++i) {
        EXPECT_EQ(bytes[i], i == 8 ? 1 : 0) << "byte " << i;
    }
    EXPECT_EQ(second->Release(), 1);
    EXPECT_EQ(second->Release(), 0);
}

}  // namespace
