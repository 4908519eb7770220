// Growth, zeroed slack, shifting and assign rules of the growable array.
#include "graph/pointer_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using graph::PointerArray;

constexpr std::int32_t kWord = 4;
constexpr std::int32_t kHalfWord = 2;

PointerArray makeWords(std::initializer_list<std::int32_t> values) {
    PointerArray array(kWord);
    for (std::int32_t v : values) {
        array.pushValue(v);
    }
    return array;
}

std::vector<std::int32_t> contents(const PointerArray& array) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < array.count(); ++i) {
        out.push_back(array.valueAt<std::int32_t>(i));
    }
    return out;
}

TEST(PointerArray, GrowsStraightTo32ThenDoubles) {
    PointerArray array(kWord);
    EXPECT_EQ(array.capacity(), 0);
    EXPECT_EQ(array.data(), nullptr);
    std::vector<std::int32_t> capacities;
    for (std::int32_t i = 0; i < 130; ++i) {
        array.pushValue(i);
        if (capacities.empty() || capacities.back() != array.capacity()) {
            capacities.push_back(array.capacity());
        }
    }
    EXPECT_EQ(capacities, (std::vector<std::int32_t>{32, 64, 128, 256}));
    EXPECT_EQ(array.count(), 130);
    EXPECT_EQ(array.valueAt<std::int32_t>(129), 129);
}

TEST(PointerArray, SlackAfterGrowthIsZero) {
    PointerArray array(kWord);
    for (std::int32_t i = 1; i <= 33; ++i) {
        array.pushValue(i);
    }
    ASSERT_EQ(array.capacity(), 64);
    for (std::int32_t i = 33; i < 64; ++i) {
        std::int32_t slack = -1;
        std::memcpy(&slack, array.elementAt(i), sizeof slack);
        EXPECT_EQ(slack, 0) << "slot " << i;
    }
}

TEST(PointerArray, ReserveBelowCapacityDoesNothing) {
    PointerArray array = makeWords({1, 2});
    const std::byte* block = array.data();
    array.reserve(5);
    EXPECT_EQ(array.capacity(), 32);
    EXPECT_EQ(array.data(), block);
    array.reserve(40);
    EXPECT_EQ(array.capacity(), 40);
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{1, 2}));
}

TEST(PointerArray, InsertAtFrontShiftsAndRemoveShiftsBack) {
    PointerArray array = makeWords({10, 20, 30});
    EXPECT_TRUE(array.insertValue(0, std::int32_t{5}));
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{5, 10, 20, 30}));
    EXPECT_TRUE(array.removeAt(0));
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{10, 20, 30}));
    EXPECT_EQ(array.capacity(), 32);
}

TEST(PointerArray, InsertAtCountAppendsAndRemoveLastOnlyCounts) {
    PointerArray array = makeWords({1, 2});
    EXPECT_TRUE(array.insertValue(2, std::int32_t{3}));
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_TRUE(array.removeAt(2));
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{1, 2}));
}

TEST(PointerArray, PositionsOutsideTheArrayAreRefused) {
    PointerArray array = makeWords({1, 2});
    EXPECT_FALSE(array.insertValue(3, std::int32_t{9}));
    EXPECT_FALSE(array.insertValue(-1, std::int32_t{9}));
    EXPECT_FALSE(array.removeAt(2));
    EXPECT_FALSE(array.removeAt(-1));
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{1, 2}));
    PointerArray empty(kWord);
    EXPECT_FALSE(empty.removeAt(0));
}

TEST(PointerArray, AssignFromNullKeepsTheBlock) {
    PointerArray array = makeWords({1, 2, 3});
    const std::byte* block = array.data();
    array.assign(nullptr);
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 0);
    EXPECT_EQ(array.data(), block);
    array.pushValue(std::int32_t{7});  // grows into a fresh block
    EXPECT_EQ(array.capacity(), 32);
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{7}));
}

TEST(PointerArray, AssignFromEmptyArrayReplacesTheBlock) {
    PointerArray array = makeWords({1, 2, 3});
    const std::byte* block = array.data();
    PointerArray empty(kWord);
    array.assign(&empty);
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 0);
    EXPECT_NE(array.data(), block);
}

TEST(PointerArray, AssignAllocatesExactlyAndNextPushGrows) {
    PointerArray source = makeWords({4, 5, 6});
    PointerArray copy(kWord);
    copy.assign(&source);
    EXPECT_EQ(copy.count(), 3);
    EXPECT_EQ(copy.capacity(), 3);
    EXPECT_EQ(contents(copy), contents(source));
    copy.pushValue(std::int32_t{7});
    EXPECT_EQ(copy.capacity(), 32);

    PointerArray big(kWord);
    for (std::int32_t i = 0; i < 20; ++i) {
        big.pushValue(i);
    }
    PointerArray bigCopy(kWord);
    bigCopy.assign(&big);
    EXPECT_EQ(bigCopy.capacity(), 20);
    bigCopy.pushValue(std::int32_t{20});
    EXPECT_EQ(bigCopy.capacity(), 40);
}

TEST(PointerArray, AssignFromItselfKeepsContents) {
    PointerArray array = makeWords({1, 2, 3});
    array.assign(&array);
    EXPECT_EQ(contents(array), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(array.capacity(), 3);
}

// Moves used to carry the block off but leave count and capacity behind, so the next push onto the
// moved-from array wrote through a null block.
TEST(PointerArray, MovedFromArraysAreEmptyAndTakePushes) {
    PointerArray source = makeWords({1, 2, 3});
    PointerArray constructed(std::move(source));
    PointerArray assigned(kHalfWord);
    assigned = std::move(constructed);
    EXPECT_EQ(contents(assigned), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(assigned.elementSize(), kWord);

    for (PointerArray* movedFrom : {&source, &constructed}) {
        EXPECT_EQ(movedFrom->count(), 0);
        EXPECT_EQ(movedFrom->capacity(), 0);
        EXPECT_EQ(movedFrom->data(), nullptr);
        EXPECT_EQ(movedFrom->elementSize(), kWord);
        for (std::int32_t i = 0; i < 40; ++i) {
            movedFrom->pushValue(i * 3);
        }
        EXPECT_EQ(movedFrom->count(), 40);
        EXPECT_EQ(movedFrom->valueAt<std::int32_t>(39), 117);
    }
    EXPECT_EQ(contents(assigned), (std::vector<std::int32_t>{1, 2, 3}));

    PointerArray& alias = assigned;
    assigned = std::move(alias);
    EXPECT_EQ(contents(assigned), (std::vector<std::int32_t>{1, 2, 3}));
}

TEST(PointerArray, ClearKeepsCapacity) {
    PointerArray array = makeWords({1, 2, 3});
    array.clear();
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 32);
}

TEST(PointerArray, HoldsHostPointers) {
    int a = 0, b = 0;
    PointerArray array;
    EXPECT_EQ(array.elementSize(), static_cast<std::int32_t>(sizeof(void*)));
    array.pushValue(&a);
    array.insertValue(0, &b);
    EXPECT_EQ(array.valueAt<int*>(0), &b);
    EXPECT_EQ(array.valueAt<int*>(1), &a);
}

}  // namespace
