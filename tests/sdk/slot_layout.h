#pragma once

// Reads an operation's slot from a pointer to a virtual member function, and
// compares slots with the agreed table.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Under the Itanium C++ ABI a pointer to a virtual member function holds one
// plus the operation's byte offset in the table, followed by a this-adjustment.
template <class Member>
std::ptrdiff_t SlotOf(Member member) {
    static_assert(sizeof(Member) == 2 * sizeof(void*));
    struct {
        uintptr_t pointer;
        ptrdiff_t adjustment;
    } raw;
    std::memcpy(&raw, &member, sizeof raw);
    if ((raw.pointer & 1) == 0 || raw.adjustment != 0) {
        return -1;
    }
    return static_cast<std::ptrdiff_t>((raw.pointer - 1) / sizeof(void*));
}

// The number of slots of an interface: the first operation a derived
// interface adds lands right after them.
template <class Interface>
struct Extended : Interface {
    virtual void Next() = 0;
};

template <class Interface>
std::ptrdiff_t SlotCount() {
    return SlotOf(&Extended<Interface>::Next);
}

// Each operation in the slot after the one before, the first in slot
// `first`, and the interface ending with the last of them.
template <class Interface, class... Members>
void ExpectSlots(const char* name, std::ptrdiff_t first, Members... members) {
    const std::ptrdiff_t actual[] = {SlotOf(members)..., SlotCount<Interface>()};
    for (std::ptrdiff_t i = 0; i <= static_cast<std::ptrdiff_t>(sizeof...(members)); ++i) {
        EXPECT_EQ(actual[i], first + i) << name
                                        << (i < static_cast<std::ptrdiff_t>(sizeof...(members)) ? " slot " : " slots ")
                                        << first + i;
    }
}
