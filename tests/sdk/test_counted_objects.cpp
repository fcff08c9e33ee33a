// The counted base and the string object: one count per object however it is
// reached, one destruction at the last release, and the three kinds of text.

#include <gtest/gtest.h>

#include "plugin_frame/cr_string.h"
#include "plugin_frame/cr_unknown.h"
#include "plugin_sdk/host_listeners.h"

namespace {

// A counted object with a second interface, which records its destruction.
class Counted : public CRUnknown, public SXThread {
public:
    explicit Counted(int* destructions) : destructions(destructions) {}

    // RUnknown, through the one count of CRUnknown
    SX_FORWARD_RUNKNOWN_TO(CRUnknown)

    // SXThread
    int32_t Run() override { return 0; }

private:
    ~Counted() override { ++*destructions; }

    int* destructions;
};

// A new counted object, held once, and its two interfaces.
class CountedObjectTest : public ::testing::Test {
protected:
    int destructions = 0;
    Counted* object = new Counted(&destructions);
    RUnknown* primary = static_cast<CRUnknown*>(object);
    SXThread* thread = object;
};

// Moves the one count of a new object, held once, up and down through two
// of its interfaces: each call answers the count, and only the last release
// destroys the object (counted in `destructions` where it counts them).
void ExpectOneCount(RUnknown* first, RUnknown* second, const int* destructions = nullptr) {
    EXPECT_EQ(first->AddRef(), 2);
    EXPECT_EQ(second->AddRef(), 3);
    EXPECT_EQ(first->Release(), 2);
    EXPECT_EQ(second->Release(), 1);
    if (destructions != nullptr) {
        EXPECT_EQ(*destructions, 0);
    }
    EXPECT_EQ(first->Release(), 0);
    if (destructions != nullptr) {
        EXPECT_EQ(*destructions, 1);
    }
}

TEST_F(CountedObjectTest, AddRefAndReleaseAnswerTheCountAndTheLastReleaseDestroysOnce) {
    ExpectOneCount(primary, primary, &destructions);
}

TEST_F(CountedObjectTest, EveryInterfaceMovesTheOneCount) {
    ExpectOneCount(thread, primary, &destructions);
}

TEST_F(CountedObjectTest, QueryInterfaceFailsThroughEveryInterfaceAndLeavesOutAlone) {
    const GUID anyId = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    int marker = 0;
    void* out = &marker;

    EXPECT_EQ(primary->QueryInterface(&anyId, &out), static_cast<int32_t>(0x80004002u));
    EXPECT_EQ(out, &marker);
    EXPECT_EQ(thread->QueryInterface(&anyId, &out), static_cast<int32_t>(0x80004002u));
    EXPECT_EQ(out, &marker);
    EXPECT_EQ(primary->Release(), 0);
}

std::basic_string<WChar> TextOf(RString* string) {
    const WChar* buffer = nullptr;
    string->GetBuffer(&buffer);
    return std::basic_string<WChar>(buffer, static_cast<size_t>(string->GetLength()) + 1);
}

TEST(StringTest, NullTextHasNoBufferAndLengthZero) {
    RString* string = CreateRString(nullptr);
    const WChar* buffer = SX_TEXT("untouched");
    string->GetBuffer(&buffer);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(string->GetLength(), 0);
    EXPECT_EQ(string->Release(), 0);
}

TEST(StringTest, EmptyTextIsASingleTerminator) {
    const WChar empty[] = SX_TEXT("");
    RString* string = CreateRString(empty);
    const WChar* buffer = nullptr;
    string->GetBuffer(&buffer);
    ASSERT_NE(buffer, nullptr);
    EXPECT_NE(buffer, empty);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(string->GetLength(), 0);
    EXPECT_EQ(string->Release(), 0);
}

TEST(StringTest, TextIsCopiedWithItsTerminator) {
    WChar text[] = SX_TEXT("Unknown");
    RString* string = CreateRString(text);
    text[0] = SX_TEXT('X');
    EXPECT_EQ(string->GetLength(), 7);
    EXPECT_EQ(TextOf(string), std::basic_string<WChar>(SX_TEXT("Unknown"), 8));
    EXPECT_EQ(string->Release(), 0);
}

TEST(StringTest, KnownLengthTakesThatManyUnits) {
    RString* string = CreateRString(SX_TEXT("Unknown Plug-In"), 7);
    EXPECT_EQ(string->GetLength(), 7);
    EXPECT_EQ(TextOf(string), std::basic_string<WChar>(SX_TEXT("Unknown"), 8));
    EXPECT_EQ(string->Release(), 0);
}

// The sanitizer build sees a second destruction as a double free.
TEST(StringTest, StringInterfaceAndPrimaryShareOneCount) {
    RString* string = CreateRString(SX_TEXT("Skyflume"));
    ExpectOneCount(string, static_cast<CRUnknown*>(static_cast<CRString*>(string)));
}

TEST(StringTest, QueryInterfaceFailsAndLeavesOutAlone) {
    RString* string = CreateRString(SX_TEXT("Skyflume"));
    int marker = 0;
    void* out = &marker;
    EXPECT_EQ(string->QueryInterface(nullptr, &out), kENoInterface);
    EXPECT_EQ(out, &marker);
    EXPECT_EQ(string->Release(), 0);
}

}  // namespace
