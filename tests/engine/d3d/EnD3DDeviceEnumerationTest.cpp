#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DRender.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

GfxConfig::DeviceInfo MakeDevice(const char* name, DeviceType type) {
    GfxConfig::DeviceInfo d;
    d.name = name;
    d.description = std::string(name) + " device";
    d.desc = GfxConfig::StandardDeviceDesc();
    d.desc.deviceType = type;
    if (type != DeviceType::TnLHal) d.desc.devCaps &= ~DevCapBits::HwTransformAndLight;
    if (type == DeviceType::Rgb) d.desc.devCaps &= ~DevCapBits::HwRasterization;
    return d;
}

GfxConfig::Driver AddOnDriver() {
    GfxConfig::Driver addOn = GfxConfig::Standard().drivers[0];
    addOn.primary = false;
    addOn.guid.bytes[0] = 0x42;
    addOn.description = "Add-on";
    addOn.identifier.description = "Add-on Adapter";
    addOn.driverCaps.caps2 &= ~GraphicsCap2Bits::CanRenderWindowed;
    addOn.devices = {MakeDevice("Add-on HAL", DeviceType::Hal)};
    return addOn;
}

std::vector<std::string> Names(const EnTList<EnD3DDeviceRecord*>& list) {
    std::vector<std::string> names;
    for (EnTListIterator pos = list.GetHeadPos(); pos;)
        names.push_back(list.GetNext(pos)->GetName());
    return names;
}

class DeviceEnumeration : public NullRendererTest {};

TEST_F(DeviceEnumeration, PrimaryHardwareDevicesLeadInReverseOrder) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices = {MakeDevice("RGB", DeviceType::Rgb),
                                 MakeDevice("HAL", DeviceType::Hal),
                                 MakeDevice("TnL HAL", DeviceType::TnLHal)};
    Install(config);
    const auto* list = EnD3DRender::EnumerateDevices();
    const std::string on = " on Corvane OpenGL Display Adapter";
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"TnL HAL" + on, "HAL" + on, "RGB" + on}));
    EXPECT_EQ(list->GetHead(), EnD3DRender::GetDefaultWindowedRecord());
    EXPECT_EQ(list->GetHead(), EnD3DRender::GetDefaultFullScreenRecord());
    EXPECT_EQ(list->GetTail(), EnD3DRender::GetDefaultSoftwareRecord());

    struct Expect {
        DeviceType type;
        uint8_t hardware;
        uint32_t flags;
    };
    const Expect expect[] = {
        {DeviceType::TnLHal, 1,
         EnD3DDeviceRecord::FLAG_RENDERS_32BIT | EnD3DDeviceRecord::FLAG_TRANSFORM_AND_LIGHT},
        {DeviceType::Hal, 1, EnD3DDeviceRecord::FLAG_RENDERS_32BIT},
        {DeviceType::Rgb, 0, EnD3DDeviceRecord::FLAG_RENDERS_32BIT},
    };
    int i = 0;
    for (EnTListIterator pos = list->GetHeadPos(); pos; i++) {
        const EnD3DDeviceRecord* record = list->GetNext(pos);
        EXPECT_EQ(record->m_eDeviceType, expect[i].type) << i;
        EXPECT_EQ(record->m_ucHardware, expect[i].hardware) << i;
        EXPECT_EQ(record->m_uiFlags, expect[i].flags) << i;
        EXPECT_EQ(record->m_ucWindowed, 1) << i;
        EXPECT_EQ(record->m_ucValid, 1) << i;
        EXPECT_EQ(record->GetDriverGuid(), nullptr) << i;
    }
}

TEST_F(DeviceEnumeration, AddOnCardIsTheFullScreenDefaultWhenThePrimaryHasNo3D) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].driverCaps.caps &= ~GraphicsCapBits::Has3D;
    config.drivers[0].devices = {MakeDevice("RGB", DeviceType::Rgb)};
    config.drivers.push_back(AddOnDriver());
    Install(config);
    const auto* list = EnD3DRender::EnumerateDevices();
    ASSERT_EQ(list->GetCount(), 2u);
    const EnD3DDeviceRecord* addOn = EnD3DRender::GetDefaultFullScreenRecord();
    ASSERT_NE(addOn, nullptr);
    EXPECT_EQ(addOn->m_kName, "Add-on HAL on Add-on Adapter");
    EXPECT_EQ(addOn->m_ucWindowed, 0);
    ASSERT_NE(addOn->GetDriverGuid(), nullptr);
    EXPECT_EQ(addOn->GetDriverGuid()->bytes[0], 0x42);
    EXPECT_EQ(EnD3DRender::GetDefaultWindowedRecord(), nullptr);
    ASSERT_NE(EnD3DRender::GetDefaultSoftwareRecord(), nullptr);
    EXPECT_EQ(EnD3DRender::GetDefaultSoftwareRecord()->m_eDeviceType, DeviceType::Rgb);

    // Without a record a windowed renderer falls back on the software device, which needs
    // the driver's software emulation to draw 3D.
    EXPECT_EQ(Create(0x09), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: Software DirectDraw has no 3D capabilities");

    config.drivers[0].emulationCaps.caps |= GraphicsCapBits::Has3D;
    Install(config);
    m_capture.Clear();
    ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
    EXPECT_STREQ(m_renderer->GetDisplayFormatInfo(), "RGB on Corvane OpenGL Display Adapter");
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2],
              "EN D3D Renderer WARNING: (Creation): Hardware DirectDraw has no 3D capabilities");
    EXPECT_EQ(lines[3], "EN D3D Renderer WARNING: (Creation): Using DirectDraw software");
}

TEST_F(DeviceEnumeration, AddOnCardBeatsPrimaryHardwareWithoutTransformAndLight) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices = {MakeDevice("HAL", DeviceType::Hal)};
    config.drivers.push_back(AddOnDriver());
    Install(config);
    EnD3DRender::EnumerateDevices();
    ASSERT_NE(EnD3DRender::GetDefaultWindowedRecord(), nullptr);
    EXPECT_EQ(EnD3DRender::GetDefaultWindowedRecord()->m_kName,
              "HAL on Corvane OpenGL Display Adapter");
    ASSERT_NE(EnD3DRender::GetDefaultFullScreenRecord(), nullptr);
    EXPECT_EQ(EnD3DRender::GetDefaultFullScreenRecord()->m_kName, "Add-on HAL on Add-on Adapter");
    EXPECT_EQ(EnD3DRender::GetDefaultSoftwareRecord(), nullptr);
}

TEST_F(DeviceEnumeration, SoftwareDevicesCountOnlyOnThePrimaryDriverWithCaps) {
    GfxConfig config = GfxConfig::Standard();
    GfxConfig::DeviceInfo bare = MakeDevice("Bare RGB", DeviceType::Rgb);
    bare.desc.devCaps = 0;
    config.drivers[0].devices = {bare, MakeDevice("HAL", DeviceType::Hal)};
    GfxConfig::Driver addOn = AddOnDriver();
    addOn.devices.push_back(MakeDevice("Add-on RGB", DeviceType::Rgb));
    config.drivers.push_back(addOn);
    Install(config);
    EXPECT_EQ(Names(*EnD3DRender::EnumerateDevices()),
              (std::vector<std::string>{"HAL on Corvane OpenGL Display Adapter",
                                        "Add-on HAL on Add-on Adapter"}));
    EXPECT_EQ(EnD3DRender::GetDefaultSoftwareRecord(), nullptr);
}

TEST_F(DeviceEnumeration, ModesFollowTheRenderDepthsInEnumerationOrder) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].modes = {{800, 600, 32}, {640, 480, 16}, {1024, 768, 16}, {640, 480, 32}};
    config.drivers[0].devices[0].desc.renderBitDepth = BitDepthBits::Bd16;
    Install(config);
    const EnD3DDeviceRecord* record = EnD3DRender::EnumerateDevices()->GetHead();
    ASSERT_NE(record, nullptr);
    std::vector<std::vector<uint32_t>> modes;
    for (EnTListIterator pos = record->GetModes().GetHeadPos(); pos;) {
        const EnD3DModeRecord* m = record->GetModes().GetNext(pos);
        modes.push_back({m->m_uiWidth, m->m_uiHeight, m->m_uiBitsPerPixel});
    }
    EXPECT_EQ(modes, (std::vector<std::vector<uint32_t>>{{640, 480, 16}, {1024, 768, 16}}));
    EXPECT_EQ(record->m_uiFlags & EnD3DDeviceRecord::FLAG_RENDERS_32BIT, 0u);
    EXPECT_TRUE(record->HasMode(1024, 768, 16));
    EXPECT_FALSE(record->HasMode(800, 600, 32));

    // A copy is deep: it keeps the modes after the original goes.
    auto copy = std::make_unique<EnD3DDeviceRecord>(*record);
    EnD3DRender::DiscardDeviceList();
    EXPECT_TRUE(copy->HasMode(640, 480, 16));
    EXPECT_EQ(copy->GetModes().GetCount(), 2u);
    EnD3DDeviceRecord empty;
    EXPECT_FALSE(empty.HasMode(640, 480, 16));
}

TEST_F(DeviceEnumeration, SecondCallReturnsTheSameListWithoutEnumerating) {
    const auto* first = EnD3DRender::EnumerateDevices();
    const size_t enumerations = Log().Count("Graphics3D::EnumDevices");
    EXPECT_EQ(enumerations, 1u);
    EXPECT_EQ(EnD3DRender::EnumerateDevices(), first);
    EXPECT_EQ(EnD3DRender::GetDeviceList(), first);
    EXPECT_EQ(Log().Count("Graphics3D::EnumDevices"), enumerations);
}

TEST_F(DeviceEnumeration, DriversThatCannotBeOpenedContributeNothing) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers.push_back(AddOnDriver());
    config.drivers[1].driverCaps.caps = 0;  // reports no capabilities at all
    Install(config);
    EXPECT_EQ(EnD3DRender::EnumerateDevices()->GetCount(), 1u);

    Install(GfxConfig::Standard());
    m_backend->InjectFault({"Graphics::QueryGraphics3D", Result::Generic, 0, 0, -1});
    EXPECT_EQ(EnD3DRender::EnumerateDevices()->GetCount(), 0u);
    EXPECT_EQ(EnD3DRender::GetDefaultFullScreenRecord(), nullptr);
}

}  // namespace
