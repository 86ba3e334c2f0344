// The PiPL resource bytes, parsed back as the host reads them on Windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "effect/Identity.h"
#include "resources/PiPL.h"
#include "tests/support/BuildVersion.h"

namespace {

struct Parsed {
    std::uint16_t reserved = 0;
    std::uint32_t version = 0;
    std::vector<std::string> order;                          // keys as the host spells them
    std::map<std::string, std::vector<std::uint8_t>> data;   // padded data by key
    std::map<std::string, std::uint32_t> lengths;
    bool vendorsOk = true;
    bool idsZero = true;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& b) : b_(b) {}
    std::uint32_t LE(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            v |= static_cast<std::uint32_t>(b_.at(pos_++)) << (8 * i);
        }
        return v;
    }
    // A four-character code stored byte-reversed, turned back into reading order.
    std::string Code() {
        std::string s(4, ' ');
        for (int i = 3; i >= 0; --i) {
            s[static_cast<size_t>(i)] = static_cast<char>(b_.at(pos_++));
        }
        return s;
    }
    std::vector<std::uint8_t> Bytes(size_t n) {
        if (pos_ + n > b_.size()) {
            throw std::out_of_range("past the end");
        }
        std::vector<std::uint8_t> v(b_.begin() + static_cast<long>(pos_),
                                    b_.begin() + static_cast<long>(pos_ + n));
        pos_ += n;
        return v;
    }
    bool AtEnd() const { return pos_ == b_.size(); }

private:
    const std::vector<std::uint8_t>& b_;
    size_t pos_ = 0;
};

Parsed Parse(const std::vector<std::uint8_t>& bytes) {
    Parsed p;
    Reader r(bytes);
    p.reserved = static_cast<std::uint16_t>(r.LE(2));
    p.version = r.LE(4);
    const std::uint32_t count = r.LE(4);
    for (std::uint32_t i = 0; i < count; ++i) {
        p.vendorsOk = p.vendorsOk && r.Code() == "8BIM";
        const std::string key = r.Code();
        p.idsZero = p.idsZero && r.LE(4) == 0;
        const std::uint32_t length = r.LE(4);
        p.order.push_back(key);
        p.lengths[key] = length;
        p.data[key] = r.Bytes(length);
    }
    EXPECT_TRUE(r.AtEnd()) << "bytes after the last property";
    return p;
}

std::string Pascal(const std::vector<std::uint8_t>& d) {
    return std::string(d.begin() + 1, d.begin() + 1 + d.at(0));
}
std::uint32_t Long(const std::vector<std::uint8_t>& d) {
    return d.at(0) | d.at(1) << 8 | d.at(2) << 16 | static_cast<std::uint32_t>(d.at(3)) << 24;
}
std::uint16_t Short(const std::vector<std::uint8_t>& d, size_t at = 0) {
    return static_cast<std::uint16_t>(d.at(at) | d.at(at + 1) << 8);
}

TEST(PiPLTest, ParsesBackToTheEffectsDescription) {
    const Parsed p = Parse(PiPL::Bytes(Identity::kThisEffect));
    EXPECT_EQ(p.reserved, 1);
    EXPECT_EQ(p.version, 0u);
    EXPECT_TRUE(p.vendorsOk);
    EXPECT_TRUE(p.idsZero);
    const std::vector<std::string> order = {"kind", "name", "catg", "8664", "ePVR", "eSVR",
                                            "eVER", "eINF", "eGLO", "eGL2", "eMNA", "aeFL"};
    EXPECT_EQ(p.order, order);
    for (const auto& [key, length] : p.lengths) {
        EXPECT_EQ(length % 4, 0u) << key;
    }

    const std::vector<std::uint8_t>& kind = p.data.at("kind");
    EXPECT_EQ(std::string(kind.begin(), kind.end()), "TKFe");  // 'eFKT' byte-reversed
    EXPECT_EQ(Pascal(p.data.at("name")), "T_Tonedot");
    EXPECT_EQ(p.lengths.at("name"), 12u);
    EXPECT_EQ(Pascal(p.data.at("catg")), "TORVA");
    EXPECT_EQ(Pascal(p.data.at("eMNA")), "TORVA TONEDOT");
    const std::vector<std::uint8_t>& code = p.data.at("8664");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(code.data())), "EntryPointFunc");
    EXPECT_EQ(p.lengths.at("8664"), 16u);
    EXPECT_EQ(Short(p.data.at("ePVR")), 2);
    EXPECT_EQ(Short(p.data.at("ePVR"), 2), 0);
    EXPECT_EQ(Short(p.data.at("eSVR")), 13);
    EXPECT_EQ(Short(p.data.at("eSVR"), 2), 27);
    EXPECT_EQ(Long(p.data.at("eVER")), tonedot::test::kBuildVersion);
    EXPECT_EQ(p.lengths.at("eINF"), 4u);
    EXPECT_EQ(Short(p.data.at("eINF")), 0);
    EXPECT_EQ(Long(p.data.at("eGLO")), 0x06000072u);
    EXPECT_EQ(Long(p.data.at("eGL2")), 0x08801419u);
    EXPECT_EQ(Long(p.data.at("aeFL")), 0u);
    // Padding is zero.
    EXPECT_EQ(p.data.at("name")[10], 0);
    EXPECT_EQ(p.data.at("name")[11], 0);
}

TEST(PiPLTest, TheBuildWroteTheSameBytes) {
    std::ifstream f(TONEDOT_PIPL_PATH, std::ios::binary);
    ASSERT_TRUE(f.good()) << TONEDOT_PIPL_PATH;
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(f)),
                                         std::istreambuf_iterator<char>());
    EXPECT_EQ(file, PiPL::Bytes(Identity::kThisEffect));
}

}  // namespace
