// Registration with and without stored defaults, the conversions and range rules applied to
// stored values, and saving the current values as defaults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "AEUtil/Platform.h"
#include "effect/Identity.h"
#include "effect/ParamIds.h"
#include "effect/ParamTable.h"
#include "look/Choices.h"
#include "params/ParamDescriptors.h"
#include "params/ParamRegistry.h"
#include "params/StoredDefaults.h"
#include "tests/support/ParamFakeHost.h"
#include "tests/support/ScratchFolder.h"

using namespace Look;

using namespace Params;

namespace {

class ParamStoredDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = std::make_unique<ScratchFolder>();
        path = *scratch / "T_Tonedot.ini";
        SetSettingsSection(Identity::kSettingsSection);
    }
    void TearDown() override {
        BuildParamList(nullptr);  // the linked effect's list, as other tests expect it
        scratch.reset();
        SetSettingsSection("");
    }
    const char* ini() const { return path.c_str(); }
    void Version(A_short major, A_short minor) {
        host.in.version.major = major;
        host.in.version.minor = minor;
    }
    const PF_ParamDef& Added() const { return host.added.back(); }

    ParamFakeHost host;
    std::unique_ptr<ScratchFolder> scratch;
    std::string path;
};

TEST_F(ParamStoredDefaultsTest, StoredDefaultsApplyFromVersion12_12) {
    ParamAddSlider p(0, "Random Seed", nullptr, 0, 10000, 0, 100, 0);
    WriteIniInt(ini(), "Random Seed", 77);

    Version(12, 11);
    ASSERT_EQ(p.AddToHost(&host.in, 21, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.sd.dephault, 0);
    Version(11, 99);
    ASSERT_EQ(p.AddToHost(&host.in, 21, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.sd.dephault, 0);

    for (auto [major, minor] : {std::pair<A_short, A_short>{12, 12}, {13, 0}, {13, 27}}) {
        Version(major, minor);
        ASSERT_EQ(p.AddToHost(&host.in, 21, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.sd.dephault, 77) << major << "." << minor;
        EXPECT_EQ(Added().u.sd.value, 77);
        EXPECT_EQ(Added().uu.id, 21);
    }
    // Without a path the built-in default is used.
    ASSERT_EQ(p.AddToHost(&host.in, 21, nullptr), PF_Err_NONE);
    EXPECT_EQ(Added().u.sd.dephault, 0);
    // A host other than After Effects reads stored defaults whatever its version.
    host.in.appl_id = ('P' << 24) | ('r' << 16) | ('M' << 8) | 'r';
    Version(12, 0);
    ASSERT_EQ(p.AddToHost(&host.in, 21, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.sd.dephault, 77);
}

TEST_F(ParamStoredDefaultsTest, RealsPassThroughFloatAndAnglesThrough16_16) {
    ParamAddFloatSlider size(0, "Dot Size", nullptr, 0, 1000, 0, 100, 10, 1, 0, 0);
    WriteIniReal(ini(), "Dot Size", 0.1);
    ASSERT_EQ(size.AddToHost(&host.in, 3, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.fs_d.dephault, 0.1f);
    EXPECT_EQ(Added().u.fs_d.value, static_cast<double>(0.1f));

    ParamAddAngle angle(0, "Dot Rotation", nullptr, 0);
    const struct {
        double degrees;
        PF_Fixed fixed;
    } cases[] = {
        {45.0, 2949120},
        {0.00001, 0},
        {-0.00001, 0},
        {-90.5, -5931008},
        {1e12, std::numeric_limits<PF_Fixed>::max()},   // saturates
        {-1e12, std::numeric_limits<PF_Fixed>::min()},
    };
    for (const auto& c : cases) {
        WriteIniReal(ini(), "Dot Rotation", c.degrees);
        ASSERT_EQ(angle.AddToHost(&host.in, 5, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.ad.dephault, c.fixed) << c.degrees;
        EXPECT_EQ(Added().u.ad.value, c.fixed);
    }
}

TEST_F(ParamStoredDefaultsTest, StoredValuesAreBroughtIntoTheValidRange) {
    ParamAddSlider slider(0, "Random Interval", nullptr, 0, 1000, 0, 60, 0);
    ParamAddFloatSlider aspect(0, "Dot Aspect", nullptr, -100, 100, -100, 100, 0, 1, 1, 0);
    ParamAddPopup blend(0, "Blend Mode 1", nullptr, 14, 1, kBlendModeChoices);
    ParamAddCheckbox box(0, "Invert Mask", nullptr, "", 0, 0);
    const struct {
        int stored;
        int slider, popup;
        double real;
    } cases[] = {
        {5000, 1000, 14, 100.0}, {-7, 0, 1, -7.0}, {0, 0, 1, 0.0},
        {2, 2, 1, 2.0},  // choice 2 of the blend list is a separator: built-in default
        {10, 10, 1, 10.0},  // so is choice 10
        {11, 11, 11, 11.0}, {-500, 0, 1, -100.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteIniInt(ini(), "Random Interval", c.stored);
        WriteIniInt(ini(), "Blend Mode 1", c.stored);
        WriteIniReal(ini(), "Dot Aspect", c.stored);
        ASSERT_EQ(slider.AddToHost(&host.in, 20, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.sd.dephault, c.slider);
        ASSERT_EQ(blend.AddToHost(&host.in, 62, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.pd.dephault, c.popup);
        EXPECT_EQ(Added().u.pd.value, c.popup);
        ASSERT_EQ(aspect.AddToHost(&host.in, 4, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.fs_d.dephault, static_cast<float>(c.real));
    }
    for (int stored : {0, 1, 7, 256, -1}) {
        WriteIniInt(ini(), "Invert Mask", stored);
        ASSERT_EQ(box.AddToHost(&host.in, 16, ini()), PF_Err_NONE);
        EXPECT_EQ(Added().u.bd.dephault, stored != 0 ? 1 : 0) << stored;
        EXPECT_EQ(Added().u.bd.value, stored != 0 ? 1 : 0);
    }
}

TEST_F(ParamStoredDefaultsTest, PartialColourKeepsTheBuiltInComponents) {
    ParamAddColor color(0, "Dot Color", nullptr, PF_Pixel{255, 255, 125, 20});
    WriteIniInt(ini(), "Dot Color.r", 7);
    WriteIniInt(ini(), "Dot Color.a", 3);  // alpha is never read
    ASSERT_EQ(color.AddToHost(&host.in, 2, ini()), PF_Err_NONE);
    const PF_Pixel d = Added().u.cd.dephault;
    EXPECT_EQ(d.alpha, 255);
    EXPECT_EQ(d.red, 7);
    EXPECT_EQ(d.green, 125);
    EXPECT_EQ(d.blue, 20);
    EXPECT_EQ(std::memcmp(&Added().u.cd.value, &d, sizeof(d)), 0);
}

TEST_F(ParamStoredDefaultsTest, PointsLayersAndGroupsIgnoreTheFile) {
    ParamAddPoint point(0, "Center Position", nullptr, 50 << 16, 50 << 16, 0);
    ParamAddLayer layer(0, "Mask Target Layer", nullptr, PF_LayerDefault_NONE);
    ParamAddTopic topic("Randomize", nullptr);
    WriteIniInt(ini(), "Center Position", 5);
    WriteIniInt(ini(), "Mask Target Layer", -1);
    WriteIniInt(ini(), "Randomize", 3);
    ASSERT_EQ(point.AddToHost(&host.in, 11, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.td.x_dephault, 50 << 16);
    ASSERT_EQ(layer.AddToHost(&host.in, 15, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.ld.dephault, PF_LayerDefault_NONE);
    ASSERT_EQ(topic.AddToHost(&host.in, 18, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().param_type, PF_Param_GROUP_START);
    EXPECT_STREQ(Added().name, "Randomize");
}

TEST_F(ParamStoredDefaultsTest, RegistrationStopsAtTheFirstHostError) {
    BuildParamList(&host.in);
    host.failAddAfter = 5;
    host.addError = PF_Err_OUT_OF_MEMORY;
    EXPECT_EQ(AddParamsToHost(&host.in, nullptr), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.added.size(), 5u);
}

// The current values, saved through the file and registered again, come back as defaults
// within the file's six decimals.
TEST_F(ParamStoredDefaultsTest, SavedValuesComeBackAsDefaults) {
    BuildParamList(&host.in);
    ASSERT_EQ(AddParamsToHost(&host.in, nullptr), PF_Err_NONE);
    std::vector<PF_ParamDef> current = host.added;
    current.insert(current.begin(), PF_ParamDef{});  // the input layer
    for (PF_ParamDef& d : current) {
        switch (d.param_type) {
        case PF_Param_POPUP:
            d.u.pd.value = d.u.pd.num_choices;
            break;
        case PF_Param_FLOAT_SLIDER:
            d.u.fs_d.value = d.u.fs_d.valid_max / 3.0;
            break;
        case PF_Param_SLIDER:
            d.u.sd.value = d.u.sd.valid_max - 1;
            break;
        case PF_Param_ANGLE:
            d.u.ad.value = -(33 << 16) - 0x8000;  // -33.5 degrees
            break;
        case PF_Param_CHECKBOX:
            d.u.bd.value = 1;
            break;
        case PF_Param_COLOR:
            d.u.cd.value = PF_Pixel{255, 1, 2, 3};
            break;
        default:
            break;
        }
    }
    std::vector<PF_ParamDef*> params;
    for (PF_ParamDef& d : current) {
        params.push_back(&d);
    }
    GetParamFromArray getter(params.data());
    ASSERT_EQ(FetchParams(nullptr, getter), PF_Err_NONE);
    ASSERT_EQ(ReleaseParams(getter), PF_Err_NONE);
    // The save reads the (missing) file once and writes it whole; the registration reads
    // it once for every parameter.
    std::size_t opens = AEUtil::Platform::SettingsFileOpenCount();
    ASSERT_TRUE(SaveParamDefaults(&host.in, ini()));
    EXPECT_LE(AEUtil::Platform::SettingsFileOpenCount() - opens, 1u);
    // Another section and a comment are kept, and the file read once still.
    const std::string saved = ReadBytes(path);
    WriteBytes(path, "; mine\r\n[Other]\r\nDot Size=1\r\n\r\n" + saved);

    host.added.clear();
    opens = AEUtil::Platform::SettingsFileOpenCount();
    ASSERT_EQ(AddParamsToHost(&host.in, ini()), PF_Err_NONE);
    EXPECT_EQ(AEUtil::Platform::SettingsFileOpenCount() - opens, 1u);
    ASSERT_TRUE(SaveParamDefaults(&host.in, ini()));
    EXPECT_EQ(ReadBytes(path).rfind("; mine\r\n[Other]\r\nDot Size=1\r\n\r\n[Version=1.5]\r\n", 0), 0u);
    ASSERT_EQ(host.added.size(), 122u);
    for (size_t k = 0; k < host.added.size(); ++k) {
        const PF_ParamDef& got = host.added[k];
        const PF_ParamDef& want = current[k + 1];
        SCOPED_TRACE(got.name);
        switch (got.param_type) {
        case PF_Param_POPUP:
            // Choices at the end of every list are real items, never separators.
            EXPECT_EQ(got.u.pd.dephault, want.u.pd.value);
            break;
        case PF_Param_FLOAT_SLIDER:
            EXPECT_NEAR(got.u.fs_d.dephault, want.u.fs_d.value, 1e-6 + 1e-6 * want.u.fs_d.value);
            break;
        case PF_Param_SLIDER:
            EXPECT_EQ(got.u.sd.dephault, want.u.sd.value);
            break;
        case PF_Param_ANGLE:
            EXPECT_EQ(got.u.ad.dephault, want.u.ad.value);
            break;
        case PF_Param_CHECKBOX:
            EXPECT_EQ(got.u.bd.dephault, 1);
            break;
        case PF_Param_COLOR:
            EXPECT_EQ(got.u.cd.dephault.red, 1);
            EXPECT_EQ(got.u.cd.dephault.green, 2);
            EXPECT_EQ(got.u.cd.dephault.blue, 3);
            break;
        default:
            break;
        }
    }
}

TEST_F(ParamStoredDefaultsTest, NothingIsSavedWithoutAPath) {
    ParamAddSlider p(0, "Random Seed", nullptr, 0, 10000, 0, 100, 0);
    p.def.u.sd.value = 9;
    p.SaveDefault(&host.in, nullptr);
    ASSERT_EQ(p.AddToHost(&host.in, 21, ini()), PF_Err_NONE);
    EXPECT_EQ(Added().u.sd.dephault, 0);
    p.def.u.sd.value = 9;
    p.SaveDefault(&host.in, ini());
    EXPECT_EQ(ReadIniInt(ini(), "Random Seed", 0), 9);
}

}  // namespace
