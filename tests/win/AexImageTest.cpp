// Reads the built T_Tonedot.aex back from disk and checks what the host sees before it
// loads it: a 64-bit DLL that needs only Windows' own DLLs, exports EntryPointFunc and
// nothing else, and carries the PiPL, the options dialog template and the banner bitmap.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "PeImage.h"
#include "tests/support/BuildVersion.h"

using PeCheck::PeImage;
using PeCheck::Resource;

namespace {

constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kImageFileDll = 0x2000;
constexpr uint32_t kResourceBitmap = 2;
constexpr uint32_t kResourceDialog = 5;
constexpr uint32_t kLanguageEnUs = 1033;

const PeImage& Aex() {
    static const PeImage image = PeImage::FromFile(TONEDOT_EFFECT_PATH);
    return image;
}

// Little-endian reads from a resource's bytes, range-checked by the test.
struct Reader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;

    bool Has(size_t n) const { return at + n <= bytes.size(); }
    uint32_t Take(int n) {
        if (!Has(size_t(n))) throw std::runtime_error("resource data ends early");
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= uint32_t(bytes[at + size_t(i)]) << (8 * i);
        at += size_t(n);
        return v;
    }
    std::string Chars(size_t n) {
        if (!Has(n)) throw std::runtime_error("resource data ends early");
        std::string s(bytes.begin() + long(at), bytes.begin() + long(at + n));
        at += n;
        return s;
    }
    // A four-character code stored byte-reversed.
    std::string Reversed() {
        std::string s = Chars(4);
        std::reverse(s.begin(), s.end());
        return s;
    }
    // A zero-terminated UTF-16 string (ASCII texts only in these resources).
    std::string Wide() {
        std::string s;
        for (uint32_t c = Take(2); c != 0; c = Take(2)) s.push_back(c < 0x80 ? char(c) : '?');
        return s;
    }
    // A dialog template's "number or text" field.
    std::string OrdinalOrText() {
        const uint32_t first = Take(2);
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Take(2));
        at -= 2;
        return Wide();
    }
    void AlignTo4() { at = (at + 3) & ~size_t{3}; }
};

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST(AexImage, IsA64BitDllExportingOnlyTheEntryPoint) {
    const PeImage& aex = Aex();
    EXPECT_EQ(aex.Machine(), kMachineAmd64);
    EXPECT_TRUE(aex.Characteristics() & kImageFileDll);
    EXPECT_EQ(aex.Exports(), std::vector<std::string>{"EntryPointFunc"});
}

TEST(AexImage, NeedsOnlyWindowsOwnLibraries) {
    // The C and C++ runtimes are linked in: no libstdc++, libgcc or winpthread DLL may be
    // needed on the user's machine.
    const std::vector<std::string> system = {
        "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll",
        "advapi32.dll", "msvcrt.dll", "ole32.dll", "api-ms-win-crt-runtime-l1-1-0.dll"};
    ASSERT_FALSE(Aex().ImportedDlls().empty());
    for (const std::string& dll : Aex().ImportedDlls()) {
        const std::string name = Lower(dll);
        const bool known = std::find(system.begin(), system.end(), name) != system.end() ||
                           name.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(known) << "needs " << dll;
    }
}

TEST(AexImage, CarriesExactlyTheThreeResources) {
    std::map<std::string, int> seen;
    for (const Resource& r : Aex().Resources()) {
        // A manifest (type 24) is what some toolchains add on their own; it is allowed.
        if (r.typeName.empty() && r.type == 24) continue;
        const std::string type = r.typeName.empty() ? "#" + std::to_string(r.type) : Upper(r.typeName);
        const std::string id = r.name.empty() ? std::to_string(r.id) : r.name;
        ++seen[type + "/" + id + "/" + std::to_string(r.language)];
    }
    std::map<std::string, int> expected = {{"PIPL/16000/1033", 1}};
    // The dialog and the bitmap may carry any one language; find theirs.
    for (const Resource& r : Aex().Resources()) {
        if (r.typeName.empty() && r.type == kResourceDialog && r.id == 206)
            expected["#5/206/" + std::to_string(r.language)] = 1;
        if (r.typeName.empty() && r.type == kResourceBitmap && r.id == 203)
            expected["#2/203/" + std::to_string(r.language)] = 1;
    }
    EXPECT_EQ(seen, expected);
    EXPECT_NE(Aex().FindEntry(kResourceDialog, 206), nullptr);
    EXPECT_NE(Aex().FindEntry(kResourceBitmap, 203), nullptr);
}

// The PiPL is read with its own parser here, property by property, against the values
// the host must see.
TEST(AexImage, PiPLDeclaresTheEffect) {
    const Resource* pipl = Aex().FindEntry("PiPL", 16000);
    ASSERT_NE(pipl, nullptr);
    EXPECT_EQ(pipl->language, kLanguageEnUs);

    Reader r{pipl->data};
    EXPECT_EQ(r.Take(2), 1u) << "reserved word";
    EXPECT_EQ(r.Take(4), 0u) << "list version";
    const uint32_t count = r.Take(4);
    std::map<std::string, std::vector<uint8_t>> properties;
    std::vector<std::string> order;
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(r.Reversed(), "8BIM") << "vendor of property " << i;
        const std::string key = r.Reversed();
        EXPECT_EQ(r.Take(4), 0u) << "id of " << key;
        const uint32_t length = r.Take(4);
        EXPECT_EQ(length % 4, 0u) << "length of " << key;
        const std::string data = r.Chars(length);
        EXPECT_EQ(properties.count(key), 0u) << key << " twice";
        properties[key] = std::vector<uint8_t>(data.begin(), data.end());
        order.push_back(key);
    }
    EXPECT_EQ(r.at, pipl->data.size()) << "bytes after the last property";

    auto u32 = [](const std::vector<uint8_t>& d, size_t at) {
        return d.size() < at + 4 ? 0xDEADBEEFu
                                 : uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 |
                                       uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24;
    };
    auto u16 = [](const std::vector<uint8_t>& d, size_t at) {
        return d.size() < at + 2 ? 0xBEEFu : uint32_t(d[at] | d[at + 1] << 8);
    };
    // A Pascal string padded with zeros to a multiple of four.
    auto pascalText = [](const std::vector<uint8_t>& d) {
        if (d.empty() || size_t(d[0]) + 1 > d.size()) return std::string("<bad>");
        for (size_t i = size_t(d[0]) + 1; i < d.size(); ++i)
            if (d[i] != 0) return std::string("<dirty padding>");
        if (d.size() != ((size_t(d[0]) + 1 + 3) & ~size_t{3})) return std::string("<bad padding>");
        return std::string(d.begin() + 1, d.begin() + 1 + d[0]);
    };

    EXPECT_EQ(order, (std::vector<std::string>{"kind", "name", "catg", "8664", "ePVR", "eSVR",
                                               "eVER", "eINF", "eGLO", "eGL2", "eMNA", "aeFL"}));
    const std::vector<uint8_t> kind = properties["kind"];
    EXPECT_EQ(std::string(kind.begin(), kind.end()), "TKFe");
    EXPECT_EQ(pascalText(properties["name"]), "T_Tonedot");
    EXPECT_EQ(pascalText(properties["catg"]), "TORVA");
    EXPECT_EQ(pascalText(properties["eMNA"]), "TORVA TONEDOT");
    const std::vector<uint8_t> code = properties["8664"];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(code.data())), "EntryPointFunc");
    EXPECT_EQ(code.size(), 16u);  // "EntryPointFunc", its terminator, one byte of padding
    EXPECT_EQ(u16(properties["ePVR"], 0), 2u);
    EXPECT_EQ(u16(properties["ePVR"], 2), 0u);
    EXPECT_EQ(u16(properties["eSVR"], 0), 13u);
    EXPECT_EQ(u16(properties["eSVR"], 2), 27u);
    EXPECT_EQ(u32(properties["eVER"], 0), tonedot::test::kBuildVersion);
    EXPECT_EQ(properties["eINF"], (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(u32(properties["eGLO"], 0), 0x06000072u);
    EXPECT_EQ(u32(properties["eGL2"], 0), 0x08801419u);
    EXPECT_EQ(u32(properties["aeFL"], 0), 0u);
}

// Dialog template 206 as stored: a DIALOGEX with the controls the options dialog code
// looks up by id.
TEST(AexImage, OptionsDialogTemplate) {
    const Resource* dialog = Aex().FindEntry(kResourceDialog, 206);
    ASSERT_NE(dialog, nullptr);
    Reader r{dialog->data};
    ASSERT_EQ(r.Take(2), 1u) << "DIALOGEX version";
    ASSERT_EQ(r.Take(2), 0xFFFFu) << "DIALOGEX signature";
    r.Take(4);  // help id
    r.Take(4);  // extended style
    const uint32_t style = r.Take(4);
    const uint32_t itemCount = r.Take(2);
    const int16_t x = int16_t(r.Take(2)), y = int16_t(r.Take(2));
    const int16_t cx = int16_t(r.Take(2)), cy = int16_t(r.Take(2));
    EXPECT_EQ(r.OrdinalOrText(), "") << "menu";
    EXPECT_EQ(r.OrdinalOrText(), "") << "window class";
    EXPECT_EQ(r.Wide(), "Option");
    constexpr uint32_t WS_POPUP_ = 0x80000000u, WS_CAPTION_ = 0x00C00000u, WS_SYSMENU_ = 0x00080000u,
                       DS_MODALFRAME_ = 0x80u, DS_SETFONT_ = 0x40u;
    EXPECT_EQ(style & (WS_POPUP_ | WS_CAPTION_ | WS_SYSMENU_ | DS_MODALFRAME_),
              WS_POPUP_ | WS_CAPTION_ | WS_SYSMENU_ | DS_MODALFRAME_);
    EXPECT_EQ((std::vector<int>{x, y, cx, cy}), (std::vector<int>{22, 17, 235, 170}));
    ASSERT_TRUE(style & DS_SETFONT_);
    EXPECT_EQ(r.Take(2), 9u) << "font size";
    r.Take(2);  // weight
    r.Take(1);  // italic
    r.Take(1);  // character set
    EXPECT_EQ(r.Wide(), "MS UI Gothic");

    struct Item {
        std::string cls;
        uint32_t style;
        std::vector<int> rect;
    };
    std::map<uint32_t, Item> items;
    for (uint32_t i = 0; i < itemCount; ++i) {
        r.AlignTo4();
        r.Take(4);  // help id
        r.Take(4);  // extended style
        Item item;
        item.style = r.Take(4);
        for (int k = 0; k < 4; ++k) item.rect.push_back(int16_t(r.Take(2)));
        const uint32_t id = r.Take(4);
        item.cls = Lower(r.OrdinalOrText());
        r.OrdinalOrText();  // template text; the dialog sets its texts at run time
        r.at += r.Take(2);  // creation data
        items[id] = item;
    }
    const std::string button = "#128", staticClass = "#130";
    constexpr uint32_t BS_TYPEMASK_ = 0x0F, BS_DEFPUSHBUTTON_ = 1, BS_PUSHBUTTON_ = 0,
                       BS_GROUPBOX_ = 7, SS_TYPEMASK_ = 0x1F, SS_OWNERDRAW_ = 0x0D,
                       SS_CENTERIMAGE_ = 0x200;
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[1].cls, button);
    EXPECT_EQ(items[1].style & BS_TYPEMASK_, BS_DEFPUSHBUTTON_);
    EXPECT_EQ(items[1].rect, (std::vector<int>{180, 144, 36, 18}));
    EXPECT_EQ(items[2000].cls, button);
    EXPECT_EQ(items[2000].style & BS_TYPEMASK_, BS_GROUPBOX_);
    EXPECT_EQ(items[2000].rect, (std::vector<int>{6, 6, 222, 76}));
    for (uint32_t id : {2001u, 2002u}) {
        EXPECT_EQ(items[id].cls, button) << id;
        EXPECT_EQ(items[id].style & BS_TYPEMASK_, BS_PUSHBUTTON_) << id;
    }
    EXPECT_EQ(items[2001].rect, (std::vector<int>{12, 30, 210, 15}));
    EXPECT_EQ(items[2002].rect, (std::vector<int>{12, 50, 210, 15}));
    // The class may be stored by its ordinal or by its name.
    EXPECT_TRUE(items[2059].cls == staticClass || items[2059].cls == "static") << items[2059].cls;
    EXPECT_EQ(items[2059].style & SS_TYPEMASK_, SS_OWNERDRAW_);
    EXPECT_TRUE(items[2059].style & SS_CENTERIMAGE_);
    EXPECT_EQ(items[2059].rect, (std::vector<int>{13, 90, 209, 43}));
    EXPECT_EQ(items[2060].cls, "syslink");
    EXPECT_EQ(items[2060].rect, (std::vector<int>{11, 147, 142, 15}));
}

TEST(AexImage, BannerBitmapIs730By130At32Bits) {
    const Resource* bitmap = Aex().FindEntry(kResourceBitmap, 203);
    ASSERT_NE(bitmap, nullptr);
    Reader r{bitmap->data};
    const uint32_t headerSize = r.Take(4);
    ASSERT_GE(headerSize, 40u);
    const int32_t width = int32_t(r.Take(4));
    const int32_t height = int32_t(r.Take(4));
    EXPECT_EQ(r.Take(2), 1u) << "planes";
    const uint32_t bits = r.Take(2);
    const uint32_t compression = r.Take(4);
    EXPECT_EQ(width, 730);
    EXPECT_EQ(std::abs(height), 130);
    EXPECT_EQ(bits, 32u);
    EXPECT_TRUE(compression == 0 || compression == 3) << "BI_RGB or BI_BITFIELDS";
    // The pixels follow the header (and the masks of BI_BITFIELDS) in full.
    const size_t pixels = size_t(730) * 130 * 4;
    EXPECT_GE(bitmap->data.size(), headerSize + pixels);
}

// The host finds the PiPL with the loader's resource functions before it calls anything:
// the same bytes must come back that way.
TEST(AexImage, LoaderFindsThePiPLAsTheHostAsksForIt) {
    const Resource* parsed = Aex().FindEntry("PiPL", 16000);
    ASSERT_NE(parsed, nullptr);
    HMODULE module = LoadLibraryExA(TONEDOT_EFFECT_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceExA(module, "PiPL", MAKEINTRESOURCEA(16000),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(module, found);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), parsed->data);
    FreeLibrary(module);
}
