// DeviceRef and RefCounted: which operations add a reference, which take one over, and that every
// reference taken is given back exactly once.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "device/device_ref.h"
#include "device/ref_counted.h"

namespace {

using device::DeviceRef;

// A device object that says when it is deleted and can run a check from inside its own Release.
class Probe final : public device::RefCounted<device::IDirect3DVertexDeclaration9> {
public:
    explicit Probe(bool& deleted) : deleted_(deleted) {}
    ~Probe() override { deleted_ = true; }

    device::ULONG Release() override {
        if (onRelease) onRelease();
        return RefCounted::Release();
    }
    std::function<void()> onRelease;

private:
    bool& deleted_;
};

// What a Create method does: fills the slot with a new object's first reference.
void create(bool& deleted, device::IDirect3DVertexDeclaration9** slot) { *slot = new Probe(deleted); }

TEST(DeviceRef, AdoptTakesTheReferenceOverAndShareAddsOne) {
    bool deleted = false;
    auto* probe = new Probe(deleted);
    {
        const DeviceRef<Probe> adopted = DeviceRef<Probe>::adopt(probe);
        EXPECT_EQ(probe->referenceCount(), 1u);
        {
            const DeviceRef<Probe> shared = DeviceRef<Probe>::share(probe);
            EXPECT_EQ(probe->referenceCount(), 2u);
            EXPECT_EQ(shared.get(), adopted.get());
        }
        EXPECT_EQ(probe->referenceCount(), 1u);
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted) << "the adopted reference was the last one";
    EXPECT_EQ(DeviceRef<Probe>::share(nullptr), nullptr);
}

TEST(DeviceRef, CopiesAddAReferenceMovesLeaveTheSourceEmpty) {
    bool deleted = false;
    DeviceRef<Probe> first = DeviceRef<Probe>::adopt(new Probe(deleted));
    Probe* probe = first.get();

    DeviceRef<Probe> copy = first;
    EXPECT_EQ(probe->referenceCount(), 2u);
    DeviceRef<Probe> moved = std::move(first);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(probe->referenceCount(), 2u);

    DeviceRef<Probe>& same = copy;  // self-assignment through an alias, as a container might do it
    copy = same;
    EXPECT_EQ(probe->referenceCount(), 2u);
    copy = std::move(same);
    ASSERT_EQ(copy.get(), probe);
    EXPECT_EQ(probe->referenceCount(), 2u);

    moved = DeviceRef<Probe>();
    EXPECT_EQ(probe->referenceCount(), 1u);
    Probe* detached = copy.detach();
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(detached->referenceCount(), 1u) << "detach hands the reference on without releasing it";
    detached->Release();
    EXPECT_TRUE(deleted);
}

TEST(DeviceRef, OutReleasesWhatItHeldAndTakesTheCreatedReference) {
    bool firstDeleted = false;
    bool secondDeleted = false;
    DeviceRef<device::IDirect3DVertexDeclaration9> ref;
    create(firstDeleted, ref.out());
    ASSERT_NE(ref, nullptr);
    create(secondDeleted, ref.out());
    EXPECT_TRUE(firstDeleted) << "a slot reused for a second creation must not leak the first object";
    EXPECT_EQ(static_cast<Probe*>(ref.get())->referenceCount(), 1u);
    ref.reset();
    EXPECT_TRUE(secondDeleted);
    EXPECT_EQ(ref, nullptr);
}

// An object whose Release looks back at its holder (a device dropping a binding while it is being
// released) must find the holder already empty, not a pointer to an object going away.
TEST(DeviceRef, HolderIsEmptyWhileReleaseRuns) {
    bool deleted = false;
    DeviceRef<Probe> ref = DeviceRef<Probe>::adopt(new Probe(deleted));
    bool emptyDuringRelease = false;
    ref->onRelease = [&] { emptyDuringRelease = ref == nullptr; };
    ref.reset();
    EXPECT_TRUE(emptyDuringRelease);
    EXPECT_TRUE(deleted);
}

}  // namespace
