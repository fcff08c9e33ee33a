#pragma once

// Reads an operation's slot from a pointer to a virtual member function, and
// compares slots with the agreed table.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

struct Slot {
    std::string name;
    std::ptrdiff_t actual;
    std::ptrdiff_t expected;
};

#define SLOT(Interface, Operation, expected) (Slot{#Interface "::" #Operation, SlotOf(&Interface::Operation), expected})

// The number of slots of an interface, compared as a slot is.
#define SLOT_COUNT(Interface, expected) SlotCountOf<Interface>(#Interface " slots", expected)

template <class Interface>
Slot SlotCountOf(const char* name, std::ptrdiff_t expected) {
    return {name, SlotCount<Interface>(), expected};
}

inline void ExpectSlots(const std::vector<Slot>& slots) {
    for (const Slot& slot : slots) {
        EXPECT_EQ(slot.actual, slot.expected) << slot.name;
    }
}
