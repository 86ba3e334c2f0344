// The PiPL resource: the one description of what the host reads before it loads the
// library (kind, names, entry point, versions, global flags), made from an effect's
// identity, and the bytes of the resource in the layout the host reads on Windows
// (resource type "PiPL", id 16000, language 1033).  The build writes this effect's bytes
// to PiPL.bin with resources/PiPLTool.cpp, and the Windows resource script
// resources/PiPL.rc links that file.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "AEUtil/EffectIdentity.h"
#include "AEUtil/HostApi.h"
#include "AE_EffectVers.h"

namespace PiPL {

constexpr std::uint16_t kResourceId = 16000;
constexpr std::uint16_t kResourceLanguage = 1033;

constexpr const char kEntryPoint[] = "EntryPointFunc";
// The effect API version the effect declares it was written to (AE_Effect_Spec_Version).  It
// is the effect's own: a newer SDK's PF_PLUG_IN_SUBVERS does not change what the effect asks
// of the host, but an older SDK would lack what this version promises.
constexpr std::uint16_t kSpecVersionMajor = 13;
constexpr std::uint16_t kSpecVersionMinor = 27;
static_assert(PF_PLUG_IN_VERSION * 100 + PF_PLUG_IN_SUBVERS >=
                  kSpecVersionMajor * 100 + kSpecVersionMinor,
              "the SDK is older than the effect API version the PiPL declares");
// How a property's data is laid out.
enum class Form {
    FourCC,         // four characters, stored byte-reversed
    PascalString,   // a length byte, then the characters
    CString,        // the characters and a terminating zero
    TwoShorts,      // two 16-bit values (major, then minor)
    Long,           // one 32-bit value
    Short,          // one 16-bit value
};

struct Property {
    char key[5];       // the property key as written ('kind'); stored byte-reversed
    Form form;
    const char* text;  // FourCC, PascalString, CString
    std::uint32_t a;   // Long, Short, first of TwoShorts
    std::uint32_t b;   // second of TwoShorts
};

// The properties of `effect`'s resource, in the order they are stored.
inline std::vector<Property> Properties(const EffectIdentity& effect) {
    return {
        {"kind", Form::FourCC, "eFKT", 0, 0},
        {"name", Form::PascalString, effect.name, 0, 0},
        {"catg", Form::PascalString, effect.category, 0, 0},
        {"8664", Form::CString, kEntryPoint, 0, 0},
        {"ePVR", Form::TwoShorts, nullptr, 2, 0},
        {"eSVR", Form::TwoShorts, nullptr, kSpecVersionMajor, kSpecVersionMinor},
        {"eVER", Form::Long, nullptr, static_cast<std::uint32_t>(effect.version), 0},
        {"eINF", Form::Short, nullptr, 0, 0},
        {"eGLO", Form::Long, nullptr, static_cast<std::uint32_t>(effect.outFlags), 0},
        {"eGL2", Form::Long, nullptr, static_cast<std::uint32_t>(effect.outFlags2), 0},
        {"eMNA", Form::PascalString, effect.matchName, 0, 0},
        {"aeFL", Form::Long, nullptr, 0, 0},
    };
}

namespace detail {

inline void PutLE(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// A four-character code as the host reads it on Windows: the characters in reverse order.
inline void PutReversed(std::vector<std::uint8_t>& out, const char* four) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(four[i]));
    }
}

inline std::vector<std::uint8_t> PropertyData(const Property& p) {
    std::vector<std::uint8_t> data;
    switch (p.form) {
    case Form::FourCC:
        PutReversed(data, p.text);
        break;
    case Form::PascalString: {
        const size_t n = std::strlen(p.text);
        data.push_back(static_cast<std::uint8_t>(n));
        data.insert(data.end(), p.text, p.text + n);
        break;
    }
    case Form::CString:
        data.insert(data.end(), p.text, p.text + std::strlen(p.text) + 1);
        break;
    case Form::TwoShorts:
        PutLE(data, p.a, 2);
        PutLE(data, p.b, 2);
        break;
    case Form::Long:
        PutLE(data, p.a, 4);
        break;
    case Form::Short:
        PutLE(data, p.a, 2);
        break;
    }
    return data;
}

}  // namespace detail

// The resource bytes of `effect`: a 16-bit 1, a 32-bit list version 0, the property count,
// then each property as vendor '8BIM', key, id 0, data length rounded up to four, and the
// data padded with zeros to that length; integers little-endian, four-character codes
// byte-reversed.
inline std::vector<std::uint8_t> Bytes(const EffectIdentity& effect) {
    const std::vector<Property> properties = Properties(effect);
    std::vector<std::uint8_t> out;
    detail::PutLE(out, 1, 2);
    detail::PutLE(out, 0, 4);
    detail::PutLE(out, static_cast<std::uint32_t>(properties.size()), 4);
    for (const Property& p : properties) {
        std::vector<std::uint8_t> data = detail::PropertyData(p);
        data.resize((data.size() + 3) & ~size_t{3}, 0);
        detail::PutReversed(out, "8BIM");
        detail::PutReversed(out, p.key);
        detail::PutLE(out, 0, 4);
        detail::PutLE(out, static_cast<std::uint32_t>(data.size()), 4);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

}  // namespace PiPL
