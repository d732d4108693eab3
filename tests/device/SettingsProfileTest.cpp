// Built against the settings program's copy of the device layer.
#include "SimulatedDriver.h"

#include "ControlDevice.h"
#include "DeviceInterfaces.h"
#include "DriverSession.h"

namespace {

using SettingsBuildTest = SimulatedDriverTest;

TEST_F(SettingsBuildTest, DefaultsToTheSettingsProfile)
{
    EXPECT_EQ(&programProfile(), &settingsProfile());

    ControlDevice closed;
    CpuBlock cpu;
    EXPECT_EQ(closed.readCpuBlock(cpu), status::kControlPathNotOpen);

    driver->setApiVersion(2, 9);
    DriverSession session;
    DeviceInterfaceSet set(findInterfaces(settingsProfile().interfaceClass));
    EXPECT_EQ(session.open(0, set.get(), &settingsProfile().interfaceClass), status::kDriverApiVersionRefused);
}

} // namespace
