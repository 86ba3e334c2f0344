// The registered parameter list against the effect's parameter table, written out here
// independently of effect/ParamTable.cpp: every index, id, name, kind, limit, default,
// flag and choice list, and the ParamValues field each value parameter is copied into.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "effect/ParamIds.h"
#include "effect/ParamTable.h"
#include "look/ParamValues.h"
#include "params/ParamRegistry.h"
#include "tests/support/ParamFakeHost.h"

using namespace Look;
using namespace Params;

namespace {

constexpr PF_ParamFlags C = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags CS = C | PF_ParamFlag_SUPERVISE;
constexpr PF_ParamFlags CH = C | PF_ParamFlag_CANNOT_INTERP;
constexpr size_t kNoField = static_cast<size_t>(-1);

struct Expect {
    A_long index = 0, id = 0;
    std::string name;
    PF_ParamType kind = PF_Param_RESERVED;
    PF_ParamFlags flags = C;
    double vmin = 0, vmax = 0, smin = 0, smax = 0, dflt = 0;
    int precision = 0;
    bool percent = false;
    int numChoices = 0;
    std::string choices;
    int r = 0, g = 0, b = 0;
    size_t field = kNoField;  // offset in ParamValues
};

const char* const kListA = "Circle|Square|Round Square|Cross|Star|Diamond";
const char* const kListB = "Normal|Look At Center|Fix Dot Angle";
const char* const kListC = "Dots|Centers";
const char* const kListD = "Center|FX1|FX2|FX3";
const char* const kListE = "Normal|None|Layer";
const char* const kListF = "Use Custom Map|(-|Radial|Radial Mirror|Linear|Linear Mirror";
const char* const kListG = "None|Repeat|Mirror|Extend Edge";
const char* const kListH =
    "Normal|(-|Add|Substract|Multiply|Screen|Overlay|Hard Light|Soft Light|(-|Darken|Lighten|"
    "Difference|Exclusion";

Expect Base(A_long index, A_long id, const std::string& name, PF_ParamType kind, size_t field) {
    Expect e;
    e.index = index;
    e.id = id;
    e.name = name;
    e.kind = kind;
    e.field = field;
    return e;
}
Expect Popup(A_long i, A_long id, const std::string& n, size_t f, int count, int dflt,
             const char* list, PF_ParamFlags flags = C) {
    Expect e = Base(i, id, n, PF_Param_POPUP, f);
    e.numChoices = count;
    e.dflt = dflt;
    e.choices = list;
    e.flags = flags;
    return e;
}
Expect Float(A_long i, A_long id, const std::string& n, size_t f, double vmin, double vmax,
             double smin, double smax, double dflt, int precision, bool percent = false) {
    Expect e = Base(i, id, n, PF_Param_FLOAT_SLIDER, f);
    e.vmin = vmin;
    e.vmax = vmax;
    e.smin = smin;
    e.smax = smax;
    e.dflt = dflt;
    e.precision = precision;
    e.percent = percent;
    return e;
}
Expect Slider(A_long i, A_long id, const std::string& n, size_t f, int vmax, int smax) {
    Expect e = Base(i, id, n, PF_Param_SLIDER, f);
    e.vmax = vmax;
    e.smax = smax;
    e.flags = CH;
    return e;
}
Expect Color(A_long i, A_long id, const std::string& n, size_t f, int r, int g, int b) {
    Expect e = Base(i, id, n, PF_Param_COLOR, f);
    e.r = r;
    e.g = g;
    e.b = b;
    return e;
}
Expect Layer(A_long i, A_long id, const std::string& n, size_t f, int dflt) {
    Expect e = Base(i, id, n, PF_Param_LAYER, f);
    e.dflt = dflt;
    return e;
}
Expect Start(A_long i, A_long id, const std::string& n) {
    return Base(i, id, n, PF_Param_GROUP_START, kNoField);
}
Expect End(A_long i, A_long id) {
    Expect e = Base(i, id, "", PF_Param_GROUP_END, kNoField);
    e.flags = 0;
    return e;
}

#define AT(field) offsetof(ParamValues, field)

std::vector<Expect> ExpectedTable() {
    std::vector<Expect> t = {
        Popup(1, 1, "Dot Shape", AT(dotShape), 6, 1, kListA),
        Color(2, 2, "Dot Color", AT(dotColor), 255, 125, 20),
        Float(3, 3, "Dot Size", AT(dotSize), 0, 1000, 0, 100, 10, 1),
        Float(4, 4, "Dot Aspect", AT(dotAspect), -100, 100, -100, 100, 0, 1, true),
        Base(5, 5, "Dot Rotation", PF_Param_ANGLE, AT(dotRotation)),
        Popup(6, 6, "Rotation Type", AT(rotationType), 3, 1, kListB),
        Float(7, 7, "Dot Opacity", AT(dotOpacity), 0, 100, 0, 100, 100, 1, true),
        Popup(8, 8, "Distance Between", AT(distanceBetween), 2, 1, kListC, CS),
        Float(9, 9, "Dot Distance X", AT(dotDistanceX), 0, 10000, 0, 100, 20, 1),
        Float(10, 10, "Dot Distance Y", AT(dotDistanceY), 0, 10000, 0, 100, 20, 1),
        Base(11, 11, "Center Position", PF_Param_POINT, AT(centerPosition)),
        Base(12, 125, "Center Dot to Front", PF_Param_CHECKBOX, AT(centerDotToFront)),
        Base(13, 12, "Global Rotation", PF_Param_ANGLE, AT(globalRotation)),
        Popup(14, 13, "Global Rotation Center", AT(globalRotationCenter), 4, 1, kListD),
        Popup(15, 14, "Mask", AT(mask), 3, 1, kListE),
        Layer(16, 15, "Mask Target Layer", AT(maskTargetLayer), PF_LayerDefault_NONE),
        Base(17, 16, "Invert Mask", PF_Param_CHECKBOX, AT(invertMask)),
        Base(18, 17, "Clear Background", PF_Param_CHECKBOX, AT(clearBackground)),
        Start(19, 18, "Randomize"),
        Slider(20, 20, "Random Interval", AT(randomInterval), 1000, 60),
        Slider(21, 132, "Random Array", AT(randomArray), 10, 10),
        Slider(22, 21, "Random Seed", AT(randomSeed), 10000, 100),
        Float(23, 22, "Size", AT(randomSize), 0, 50, 0, 1, 0, 2),
        Float(24, 23, "Aspect", AT(randomAspect), 0, 50, 0, 1, 0, 2),
        Float(25, 24, "Rotation", AT(randomRotation), 0, 50, 0, 1, 0, 2),
        Float(26, 25, "Opacity", AT(randomOpacity), 0, 50, 0, 1, 0, 2),
        Float(27, 26, "Distance X", AT(randomDistanceX), 0, 50, 0, 1, 0, 2),
        Float(28, 27, "Distance Y", AT(randomDistanceY), 0, 50, 0, 1, 0, 2),
        Base(29, 32, "H", PF_Param_ANGLE, AT(randomHue)),
        Float(30, 33, "S", AT(randomSaturation), 0, 100, 0, 100, 0, 1, true),
        Float(31, 34, "V", AT(randomValue), 0, 100, 0, 100, 0, 1, true),
        End(32, 19),
    };
    struct Ids {
        A_long v[30];
    };
    // Per effector n: the index and id of each row, in host order, as the table gives them.
    const int firstIndex[3] = {33, 63, 93};
    const A_long ids[3][30] = {
        {35, 37, 41, 42, 40, 43, 136, 45, 139, 129, 133, 126, 46, 47, 48,
         49, 50, 52, 53, 54, 55, 57, 58, 59, 60, 61, 62, 63, 64, 36},
        {65, 67, 71, 72, 70, 73, 137, 75, 140, 130, 134, 127, 76, 77, 78,
         79, 80, 82, 83, 84, 85, 87, 88, 89, 90, 91, 92, 93, 94, 66},
        {95, 97, 101, 102, 100, 103, 138, 105, 141, 131, 135, 128, 106, 107, 108,
         109, 110, 112, 113, 114, 115, 117, 118, 119, 120, 121, 122, 123, 124, 96},
    };
    for (int n = 0; n < 3; ++n) {
        const std::string s = " " + std::to_string(n + 1);
        const size_t blk = AT(effector) + n * sizeof(EffectorParams);
        auto fx = [blk](size_t off) { return blk + off; };
        const A_long* id = ids[n];
        A_long i = firstIndex[n];
#define FX(field) fx(offsetof(EffectorParams, field))
        t.push_back(Start(i, id[0], "Effector" + std::to_string(n + 1)));
        t.push_back(Base(i + 1, id[1], "Enable Effector" + s, PF_Param_CHECKBOX, FX(enable)));
        t.push_back(Base(i + 2, id[2], "Position" + s, PF_Param_POINT, FX(position)));
        t.push_back(Float(i + 3, id[3], "Size" + s, FX(size), 0, 5000, 0, 1000, 200, 1));
        t.push_back(Base(i + 4, id[4], "Angle" + s, PF_Param_ANGLE, FX(angle)));
        t.push_back(Float(i + 5, id[5], "Falloff" + s, FX(falloff), 0, 100, 0, 100, 100, 1, true));
        t.push_back(Popup(i + 6, id[6], "Effect Map" + s, FX(effectMap), 6, 3, kListF));
        t.push_back(Layer(i + 7, id[7], "Custom Map Layer" + s, FX(customMapLayer),
                          PF_LayerDefault_MYSELF));
        t.push_back(Base(i + 8, id[8], "Fit to Layer" + s, PF_Param_CHECKBOX, FX(fitToLayer)));
        t.push_back(Base(i + 9, id[9], "Pick Source Color" + s, PF_Param_CHECKBOX,
                         FX(pickSourceColor)));
        t.push_back(Popup(i + 10, id[10], "Tiling" + s, FX(tiling), 4, 4, kListG));
        t.push_back(Base(i + 11, id[11], "Center Dot to Front" + s, PF_Param_CHECKBOX,
                         FX(centerDotToFront)));
        t.push_back(Base(i + 12, id[12], "Absolute" + s, PF_Param_CHECKBOX, FX(absolute)));
        t.push_back(Float(i + 13, id[13], "ABS Size" + s, FX(absSize), 0, 1000, 0, 100, 20, 1));
        t.push_back(Float(i + 14, id[14], "ABS Aspect" + s, FX(absAspect), -100, 100, -100, 100,
                          0, 0, true));
        t.push_back(Base(i + 15, id[15], "ABS Rotation" + s, PF_Param_ANGLE, FX(absRotation)));
        t.push_back(Float(i + 16, id[16], "ABS Opacity" + s, FX(absOpacity), 0, 100, 0, 100, 100,
                          0, true));
        t.push_back(Float(i + 17, id[17], "Ratio Size" + s, FX(ratioSize), 0, 100, 0, 10, 1, 1));
        t.push_back(
            Float(i + 18, id[18], "Ratio Aspect" + s, FX(ratioAspect), 0, 100, 0, 10, 1, 1));
        t.push_back(
            Float(i + 19, id[19], "Ratio Rotation" + s, FX(ratioRotation), 0, 100, 0, 10, 1, 1));
        t.push_back(
            Float(i + 20, id[20], "Ratio Opacity" + s, FX(ratioOpacity), 0, 100, 0, 10, 1, 1));
        t.push_back(Float(i + 21, id[21], "Offset Size" + s, FX(offsetSize), -100, 100, -100,
                          100, 0, 1));
        t.push_back(Float(i + 22, id[22], "Offset Aspect" + s, FX(offsetAspect), -100, 100, -100,
                          100, 0, 0, true));
        t.push_back(
            Base(i + 23, id[23], "Offset Rotation" + s, PF_Param_ANGLE, FX(offsetRotation)));
        t.push_back(Float(i + 24, id[24], "Offset Opacity" + s, FX(offsetOpacity), -100, 100,
                          -100, 100, 0, 0, true));
        t.push_back(Base(i + 25, id[25], "Color" + s, PF_Param_CHECKBOX, FX(color)));
        t.push_back(Popup(i + 26, id[26], "Blend Mode" + s, FX(blendMode), 14, 1, kListH));
        t.push_back(Color(i + 27, id[27], "Blend Color" + s, FX(blendColor), 255, 255, 255));
        t.push_back(Base(i + 28, id[28], "Shift Hue" + s, PF_Param_ANGLE, FX(shiftHue)));
        t.push_back(End(i + 29, id[29]));
#undef FX
    }
    return t;
}
#undef AT

size_t ValueSize(PF_ParamType kind) {
    switch (kind) {
    case PF_Param_POPUP:
    case PF_Param_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_COLOR:
        return 4;
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_POINT:
    case PF_Param_LAYER:
        return 8;
    case PF_Param_CHECKBOX:
        return 1;
    default:
        return 0;
    }
}

class ParamTableTest : public ::testing::Test {
protected:
    void SetUp() override { BuildParamList(&host.in); }
    void TearDown() override { BuildParamList(nullptr); }
    ParamFakeHost host;
};

TEST_F(ParamTableTest, RegistersExactlyTheTableInHostOrder) {
    const std::vector<Expect> table = ExpectedTable();
    ASSERT_EQ(table.size(), 122u);
    EXPECT_EQ(ParamCount(), 122u);
    EXPECT_EQ(HostParamCount(), 123);

    ASSERT_EQ(AddParamsToHost(&host.in, nullptr), PF_Err_NONE);
    ASSERT_EQ(host.added.size(), table.size());
    for (size_t k = 0; k < table.size(); ++k) {
        const Expect& e = table[k];
        const PF_ParamDef& d = host.added[k];
        SCOPED_TRACE("host index " + std::to_string(e.index) + " \"" + e.name + "\"");
        EXPECT_EQ(static_cast<size_t>(e.index), k + 1);
        EXPECT_EQ(host.addedAt[k], -1);
        EXPECT_EQ(FindParamIndex(e.id), e.index);
        EXPECT_EQ(d.uu.id, e.id);
        EXPECT_EQ(d.param_type, e.kind);
        EXPECT_EQ(std::string(d.name), e.name);
        EXPECT_EQ(d.flags, e.flags);
        EXPECT_EQ(d.ui_flags, 0);
        switch (e.kind) {
        case PF_Param_POPUP:
            EXPECT_EQ(d.u.pd.num_choices, e.numChoices);
            EXPECT_EQ(d.u.pd.dephault, e.dflt);
            EXPECT_EQ(d.u.pd.value, e.dflt);
            ASSERT_NE(d.u.pd.u.namesptr, nullptr);
            EXPECT_EQ(std::string(d.u.pd.u.namesptr), e.choices);
            break;
        case PF_Param_FLOAT_SLIDER:
            EXPECT_EQ(d.u.fs_d.valid_min, static_cast<float>(e.vmin));
            EXPECT_EQ(d.u.fs_d.valid_max, static_cast<float>(e.vmax));
            EXPECT_EQ(d.u.fs_d.slider_min, static_cast<float>(e.smin));
            EXPECT_EQ(d.u.fs_d.slider_max, static_cast<float>(e.smax));
            EXPECT_EQ(d.u.fs_d.dephault, static_cast<float>(e.dflt));
            EXPECT_EQ(d.u.fs_d.value, e.dflt);
            EXPECT_EQ(d.u.fs_d.precision, e.precision);
            EXPECT_EQ(d.u.fs_d.display_flags,
                      e.percent ? PF_ValueDisplayFlag_PERCENT : PF_ValueDisplayFlag_NONE);
            EXPECT_EQ(d.u.fs_d.fs_flags, 0);
            EXPECT_FLOAT_EQ(d.u.fs_d.curve_tolerance, 0.05f);
            break;
        case PF_Param_SLIDER:
            EXPECT_EQ(d.u.sd.valid_min, 0);
            EXPECT_EQ(d.u.sd.valid_max, e.vmax);
            EXPECT_EQ(d.u.sd.slider_min, 0);
            EXPECT_EQ(d.u.sd.slider_max, e.smax);
            EXPECT_EQ(d.u.sd.dephault, 0);
            EXPECT_EQ(d.u.sd.value, 0);
            EXPECT_STREQ(d.u.sd.value_str, "");
            EXPECT_STREQ(d.u.sd.value_desc, "");
            break;
        case PF_Param_COLOR:
            EXPECT_EQ(d.u.cd.dephault.alpha, 255);
            EXPECT_EQ(d.u.cd.dephault.red, e.r);
            EXPECT_EQ(d.u.cd.dephault.green, e.g);
            EXPECT_EQ(d.u.cd.dephault.blue, e.b);
            EXPECT_EQ(std::memcmp(&d.u.cd.value, &d.u.cd.dephault, 4), 0);
            break;
        case PF_Param_ANGLE:
            EXPECT_EQ(d.u.ad.dephault, 0);
            EXPECT_EQ(d.u.ad.value, 0);
            break;
        case PF_Param_CHECKBOX:
            EXPECT_EQ(d.u.bd.dephault, 0);
            EXPECT_EQ(d.u.bd.value, 0);
            ASSERT_NE(d.u.bd.u.nameptr, nullptr);
            EXPECT_STREQ(d.u.bd.u.nameptr, "");
            break;
        case PF_Param_POINT:
            EXPECT_EQ(d.u.td.x_dephault, 50 << 16);
            EXPECT_EQ(d.u.td.y_dephault, 50 << 16);
            EXPECT_EQ(d.u.td.x_value, 50 << 16);
            EXPECT_EQ(d.u.td.y_value, 50 << 16);
            break;
        case PF_Param_LAYER:
            EXPECT_EQ(d.u.ld.dephault, e.dflt);
            break;
        default:
            break;
        }
    }
}

TEST_F(ParamTableTest, EveryIdIsFoundAndAbsentIdsYieldZero) {
    const std::vector<Expect> table = ExpectedTable();
    std::vector<bool> used(200, false);
    for (const Expect& e : table) {
        used[static_cast<size_t>(e.id)] = true;
    }
    for (A_long id = -5; id < 200; ++id) {
        if (id < 0 || !used[static_cast<size_t>(id)]) {
            EXPECT_EQ(FindParamIndex(id), 0) << "id " << id;
        }
    }
    EXPECT_EQ(FindParamIndex(132), 21);  // Random Array
    EXPECT_EQ(FindParamIndex(19), 32);   // end of Randomize
    EXPECT_EQ(FindParamIndex(28), 0);
    EXPECT_EQ(FindParamIndex(0), 0);
    EXPECT_EQ(FindParamIndex(0x7FFFFFFF), 0);
}

TEST_F(ParamTableTest, NamedIdsMatchTheTable) {
    EXPECT_EQ(FindParamIndex(ParamId::RandomInterval), 20);
    EXPECT_EQ(FindParamIndex(ParamId::MaskTargetLayer), 16);
    for (int n = 0; n < 3; ++n) {
        const ParamId::Effector fx = ParamId::EffectorIds(n);
        const A_long first = 33 + 30 * n;
        EXPECT_EQ(FindParamIndex(fx.group), first);
        EXPECT_EQ(FindParamIndex(fx.effectMap), first + 6);
        EXPECT_EQ(FindParamIndex(fx.shiftHue), first + 28);
        EXPECT_EQ(FindParamIndex(fx.groupEnd), first + 29);
    }
}

// Each value parameter's bytes land in its own ParamValues field and nowhere else.
TEST_F(ParamTableTest, EachValueIsCopiedIntoItsOwnField) {
    const std::vector<Expect> table = ExpectedTable();
    for (const Expect& e : table) {
        PF_ParamDef d;
        std::memset(&d, 0, sizeof(d));
        d.param_type = e.kind;
        auto* bytes = reinterpret_cast<unsigned char*>(&d.u);
        for (size_t k = 0; k < 8; ++k) {
            bytes[k] = static_cast<unsigned char>(e.index * 8 + k + 1);
        }
        host.values[e.index] = d;
    }
    ParamValues record;
    std::memset(&record, 0xEE, sizeof(record));
    GetParamByCheckout getter(&host.in, nullptr, false);
    ASSERT_EQ(FetchParams(&record, getter), PF_Err_NONE);

    std::vector<bool> covered(sizeof(ParamValues), false);
    const auto* rec = reinterpret_cast<const unsigned char*>(&record);
    for (const Expect& e : table) {
        const size_t size = ValueSize(e.kind);
        if (size == 0) {
            continue;
        }
        SCOPED_TRACE(e.name);
        ASSERT_NE(e.field, kNoField);
        if (e.kind == PF_Param_LAYER) {
            PF_LayerDef* layer;
            std::memcpy(&layer, rec + e.field, sizeof(layer));
            ASSERT_NE(layer, nullptr);
            EXPECT_EQ(reinterpret_cast<unsigned char*>(layer)[0],
                      static_cast<unsigned char>(e.index * 8 + 1));
        } else {
            for (size_t k = 0; k < size; ++k) {
                EXPECT_EQ(rec[e.field + k], static_cast<unsigned char>(e.index * 8 + k + 1))
                    << "byte " << k;
            }
        }
        for (size_t k = 0; k < size; ++k) {
            EXPECT_FALSE(covered[e.field + k]) << "field overlaps another";
            covered[e.field + k] = true;
        }
    }
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host.checkouts, host.checkins);
}

TEST_F(ParamTableTest, NamesFitTheHostField) {
    for (A_long i = 1; i < HostParamCount(); ++i) {
        ASSERT_NE(ParamAtIndex(i), nullptr);
        EXPECT_LT(std::strlen(ParamAtIndex(i)->name), sizeof(PF_ParamDef{}.name));
    }
    EXPECT_EQ(ParamAtIndex(0), nullptr);
    EXPECT_EQ(ParamAtIndex(123), nullptr);
}

TEST_F(ParamTableTest, RebuildReplacesTheDescriptors) {
    BuildParamList(&host.in);
    EXPECT_EQ(ParamCount(), 122u);
    EXPECT_EQ(HostParamCount(), 123);
    EXPECT_EQ(FindParamIndex(132), 21);
    EXPECT_EQ(ParamAtIndex(122)->id, 96);
}

}  // namespace
