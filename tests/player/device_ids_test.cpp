// The IDs a program sees for the system's MCI devices beside the served one.
#include <gtest/gtest.h>

#include <set>

#include "player/winmm/device_ids.h"

namespace {

TEST(DeviceIds, ASystemDeviceGivenTheServedOnesIdIsShownUnderAFreeOne)
{
    std::set<unsigned> system;
    const winmm::DeviceIds::SystemHas has = [&](unsigned id) { return system.count(id) > 0; };
    winmm::DeviceIds ids;
    // The served device holds 1; the system, knowing nothing of it, gives 1 too.
    system = {1};
    EXPECT_EQ(ids.Shown(1, 1, has), 2u);
    EXPECT_EQ(ids.Shown(1, 1, has), 2u) << "asked again, the same";
    EXPECT_EQ(ids.ToSystem(2), 1u);
    EXPECT_EQ(ids.ToSystem(1), 1u) << "1 is the served device's, asked of it before this";
    // Its next device gets 2 from the system: the program knows 2 as the first.
    system = {1, 2};
    EXPECT_EQ(ids.Shown(2, 1, has), 3u);
    EXPECT_EQ(ids.ToSystem(3), 2u);
    system = {1, 2, 3, 4};
    EXPECT_EQ(ids.Shown(4, 1, has), 4u) << "an ID nobody else holds is kept";
    EXPECT_EQ(ids.ToSystem(4), 4u);
    EXPECT_TRUE(ids.Shows(2));
    ids.Closed(2);
    EXPECT_FALSE(ids.Shows(2));
    EXPECT_EQ(ids.ToSystem(2), 2u);
    EXPECT_EQ(ids.Shown(7, 0, has), 7u) << "no served device: the system's IDs as they are";
    EXPECT_EQ(ids.Shown(0, 1, has), 0u) << "no device";
}

}  // namespace
