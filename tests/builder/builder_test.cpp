#include <gtest/gtest.h>

#include "builder/MissionBuilder.h"

namespace pellam::builder {
namespace {

// A host that counts the beeps the builder sounds.
struct CountingHost : BuilderHost {
    int beeps = 0;
    void beep() override { ++beeps; }
};

TEST(BuilderState, DeleteRefusesTheHeadAndRowsOutsideTheList) {
    missions::ObjectFactory factory;
    CountingHost host;
    MissionBuilder builder(factory, &host);
    builder.MBMission.TotalObjects = 22;
    for (int32_t selected : {0, 20, 22, 300, -5}) {
        builder.MBCurrentObject = selected;
        builder.MBdeleteSelectedItem();
        EXPECT_EQ(builder.MBMission.TotalObjects, 22) << selected;
    }
    EXPECT_EQ(host.beeps, 5);
}

}  // namespace
}  // namespace pellam::builder
