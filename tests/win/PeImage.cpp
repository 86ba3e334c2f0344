#include "PeImage.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace PeCheck {
namespace {

constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kHighBit = 0x80000000u;

[[noreturn]] void Fail(const std::string& why) { throw std::runtime_error("PE image: " + why); }

}  // namespace

PeImage PeImage::FromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open " + path);
    return PeImage(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

uint16_t PeImage::U16(size_t at) const {
    if (at + 2 > bytes_.size() || at + 2 < at) Fail("read past the end");
    return uint16_t(bytes_[at] | bytes_[at + 1] << 8);
}

uint32_t PeImage::U32(size_t at) const {
    if (at + 4 > bytes_.size() || at + 4 < at) Fail("read past the end");
    return uint32_t(bytes_[at]) | uint32_t(bytes_[at + 1]) << 8 | uint32_t(bytes_[at + 2]) << 16 |
           uint32_t(bytes_[at + 3]) << 24;
}

size_t PeImage::Offset(uint32_t rva, size_t length) const {
    for (const Section& s : sections_) {
        const uint64_t start = s.virtualAddress;
        const uint64_t end = start + std::max(s.virtualSize, s.rawSize);
        if (rva >= start && uint64_t(rva) + length <= end) {
            const uint64_t off = s.rawOffset + (rva - start);
            if (uint64_t(rva - start) + length > s.rawSize || off + length > bytes_.size())
                Fail("range not backed by file data");
            return size_t(off);
        }
    }
    Fail("address outside every section");
}

std::string PeImage::CString(uint32_t rva) const {
    std::string out;
    for (size_t at = Offset(rva, 1);; ++at) {
        if (at >= bytes_.size()) Fail("unterminated string");
        if (bytes_[at] == 0) return out;
        out.push_back(char(bytes_[at]));
        if (out.size() > 4096) Fail("string too long");
    }
}

std::string PeImage::ResourceString(size_t at) const {
    const uint16_t length = U16(at);
    std::string out;
    for (uint16_t i = 0; i < length; ++i) {
        const uint16_t c = U16(at + 2 + 2 * size_t(i));
        out.push_back(c < 0x80 ? char(c) : '?');
    }
    return out;
}

PeImage::PeImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') Fail("no MZ header");
    const size_t pe = U32(0x3C);
    if (U32(pe) != 0x00004550u) Fail("no PE signature");
    const size_t coff = pe + 4;
    machine_ = U16(coff);
    const uint16_t sectionCount = U16(coff + 2);
    const uint16_t optionalSize = U16(coff + 16);
    characteristics_ = U16(coff + 18);
    const size_t optional = coff + 20;
    if (U16(optional) != kPe32PlusMagic) Fail("not a 64-bit (PE32+) image");
    subsystem_ = U16(optional + 68);
    const uint32_t directoryCount = U32(optional + 108);
    auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
        rva = size = 0;
        if (index < directoryCount && 112 + 8 * size_t(index) + 8 <= optionalSize) {
            rva = U32(optional + 112 + 8 * size_t(index));
            size = U32(optional + 116 + 8 * size_t(index));
        }
    };
    const size_t sectionTable = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t at = sectionTable + 40 * size_t(i);
        sections_.push_back({U32(at + 12), U32(at + 8), U32(at + 20), U32(at + 16)});
    }

    uint32_t rva, size;
    directory(0, rva, size);
    if (rva) ReadExports(rva);
    directory(1, rva, size);
    if (rva) ReadImports(rva);
    directory(2, rva, size);
    if (rva) ReadResources(rva);
}

void PeImage::ReadExports(uint32_t rva) {
    const size_t dir = Offset(rva, 40);
    const uint32_t functionCount = U32(dir + 20);
    const uint32_t nameCount = U32(dir + 24);
    const uint32_t functions = U32(dir + 28);
    const uint32_t names = U32(dir + 32);
    const uint32_t ordinals = U32(dir + 36);
    if (functionCount > 65536 || nameCount > functionCount) Fail("implausible export table");
    std::vector<bool> named(functionCount, false);
    for (uint32_t i = 0; i < nameCount; ++i) {
        exports_.push_back(CString(U32(Offset(names + 4 * i, 4))));
        const uint16_t ordinal = U16(Offset(ordinals + 2 * i, 2));
        if (ordinal >= functionCount) Fail("export ordinal out of range");
        named[ordinal] = true;
    }
    // Exports reachable only by ordinal count as exports too.
    for (uint32_t i = 0; i < functionCount; ++i) {
        const uint32_t address = U32(Offset(functions + 4 * i, 4));
        if (!named[i] && address != 0) exports_.push_back("#" + std::to_string(i));
    }
}

void PeImage::ReadImports(uint32_t rva) {
    for (uint32_t at = rva;; at += 20) {
        const size_t d = Offset(at, 20);
        const uint32_t nameRva = U32(d + 12);
        if (nameRva == 0 && U32(d + 16) == 0) return;
        importedDlls_.push_back(CString(nameRva));
        if (importedDlls_.size() > 1000) Fail("import table not terminated");
    }
}

void PeImage::ReadResources(uint32_t base) {
    // The tree has three levels: type, name, language.  Offsets are relative to `base`.
    auto entries = [&](uint32_t dirOffset, auto&& visit) {
        const size_t dir = Offset(base + dirOffset, 16);
        const unsigned count = unsigned(U16(dir + 12)) + U16(dir + 14);
        for (unsigned i = 0; i < count; ++i) {
            const uint32_t name = U32(dir + 16 + 8 * size_t(i));
            const uint32_t target = U32(dir + 20 + 8 * size_t(i));
            std::string text;
            uint32_t id = name;
            if (name & kHighBit) {
                text = ResourceString(Offset(base + (name & ~kHighBit), 2));
                id = 0;
            }
            visit(id, text, target);
        }
    };
    entries(0, [&](uint32_t type, const std::string& typeName, uint32_t typeTarget) {
        if (!(typeTarget & kHighBit)) Fail("resource type without a directory");
        entries(typeTarget & ~kHighBit, [&](uint32_t id, const std::string& name, uint32_t nameTarget) {
            if (!(nameTarget & kHighBit)) Fail("resource name without a directory");
            entries(nameTarget & ~kHighBit, [&](uint32_t language, const std::string&, uint32_t leaf) {
                if (leaf & kHighBit) Fail("resource tree deeper than three levels");
                const size_t entry = Offset(base + leaf, 16);
                const uint32_t dataRva = U32(entry);
                const uint32_t dataSize = U32(entry + 4);
                const size_t at = Offset(dataRva, dataSize);
                resources_.push_back({type, typeName, id, name, language,
                                      std::vector<uint8_t>(bytes_.begin() + at, bytes_.begin() + at + dataSize)});
            });
        });
    });
}

const Resource* PeImage::FindEntry(uint32_t type, uint32_t id) const {
    for (const Resource& r : resources_)
        if (r.typeName.empty() && r.type == type && r.name.empty() && r.id == id) return &r;
    return nullptr;
}

const Resource* PeImage::FindEntry(const std::string& type, uint32_t id) const {
    // Resource compilers store type names in capitals and the loader compares them
    // without regard to case.
    auto same = [](const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
               });
    };
    for (const Resource& r : resources_)
        if (!r.typeName.empty() && same(r.typeName, type) && r.name.empty() && r.id == id) return &r;
    return nullptr;
}

}  // namespace PeCheck
