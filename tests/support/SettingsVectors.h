// Reading rules of the settings file as data: a file's bytes, what is asked of it and the
// answer.  The same table runs against the portable profile reader and, in the Windows
// build, against the kernel's own functions, so both must agree on every row.
//
// Readers:
//   ProfileString  Platform::ProfileReadString into a buffer of `bufferLength` bytes with
//                  `fallbackText`; the answer is the buffer's text.
//   ProfileInt     Platform::ProfileReadInt with `fallback`.
//   IniInt         ReadIniInt (section "Version=1.5" set) with `fallback`.
//   IniReal        ReadIniReal (section "Version=1.5" set) with `fallback`.
// A null `fileText` means that no file exists.
#pragma once
#include <cstddef>

namespace SettingsVectors {

enum class Reader { ProfileString, ProfileInt, IniInt, IniReal };

struct Vector {
    const char* what;
    const char* fileText;
    const char* section;
    const char* key;
    Reader reader;
    std::size_t bufferLength;
    const char* fallbackText;
    double fallback;
    const char* expectedText;
    double expected;
};

constexpr const char* kSection = "Version=1.5";

constexpr Vector Text(const char* what, const char* fileText, const char* section,
                      const char* key, std::size_t bufferLength, const char* fallbackText,
                      const char* expectedText) {
    return {what, fileText, section, key, Reader::ProfileString, bufferLength, fallbackText,
            0.0, expectedText, 0.0};
}

constexpr Vector Number(const char* what, Reader reader, const char* fileText,
                        const char* section, const char* key, double fallback,
                        double expected) {
    return {what, fileText, section, key, reader, 0, nullptr, fallback, nullptr, expected};
}

constexpr Vector kVectors[] = {
    // ---- strings: where a value is found -----------------------------------------------
    Text("plain value", "[S]\r\nKey=value\r\n", "S", "Key", 64, "dflt", "value"),
    Text("lines ended by LF alone", "[S]\nKey=lf\n", "S", "Key", 64, "dflt", "lf"),
    Text("last line without an ending", "[S]\r\nKey=end", "S", "Key", 64, "dflt", "end"),
    Text("section and key in other case", "[version=1.5]\r\nDOT SIZE=3\r\n", "Version=1.5",
         "Dot Size", 64, "dflt", "3"),
    Text("blanks inside a key name are part of it", "[S]\r\nDot  Size=3\r\n", "S",
         "Dot Size", 64, "dflt", "dflt"),
    Text("key missing", "[S]\r\nOther=1\r\n", "S", "Key", 64, "dflt", "dflt"),
    Text("section missing", "[T]\r\nKey=1\r\n", "S", "Key", 64, "dflt", "dflt"),
    Text("another version's section is not read", "[Version=1.4]\r\nDot Size=3\r\n",
         "Version=1.5", "Dot Size", 64, "dflt", "dflt"),
    Text("same key in two sections", "[A]\r\nk=1\r\n[B]\r\nk=2\r\n", "B", "k", 64, "dflt", "2"),
    Text("keys before the first section belong to none", "k=0\r\n[S]\r\nj=1\r\n", "S", "k",
         64, "dflt", "dflt"),
    Text("first of two equal keys", "[S]\r\nKey=1\r\nKey=2\r\n", "S", "Key", 64, "dflt", "1"),
    Text("comment line is not the key", "[S]\r\n;Key=no\r\nKey=yes\r\n", "S", "Key", 64,
         "dflt", "yes"),
    Text("value holding an equals sign", "[S]\r\nKey=a=b\r\n", "S", "Key", 64, "dflt", "a=b"),
    Text("empty value is found, not the fallback", "[S]\r\nKey=\r\n", "S", "Key", 64, "dflt",
         ""),
    Text("no file", nullptr, "S", "Key", 64, "dflt", "dflt"),
    // ---- strings: how a value is cleaned ----------------------------------------------------
    Text("blanks around key and value", "[S]\r\n  Key \t=   spaced value \t \r\n", "S", "Key",
         64, "dflt", "spaced value"),
    Text("double quotes removed", "[S]\r\nKey=\"quoted\"\r\n", "S", "Key", 64, "dflt",
         "quoted"),
    Text("single quotes removed", "[S]\r\nKey='quoted'\r\n", "S", "Key", 64, "dflt", "quoted"),
    Text("blanks inside quotes kept", "[S]\r\nKey=\"  x  \"\r\n", "S", "Key", 64, "dflt",
         "  x  "),
    Text("mismatched quotes kept", "[S]\r\nKey=\"half'\r\n", "S", "Key", 64, "dflt",
         "\"half'"),
    Text("a lone quote kept", "[S]\r\nKey=\"\r\n", "S", "Key", 64, "dflt", "\""),
    Text("inner quotes kept", "[S]\r\nKey=a \"b\" c\r\n", "S", "Key", 64, "dflt", "a \"b\" c"),
    Text("quoted fallback unquoted", "[S]\r\n", "S", "Key", 64, "\"dflt\"", "dflt"),
    Text("fallback loses trailing blanks", "[S]\r\n", "S", "Key", 64, "dflt   ", "dflt"),
    // ---- strings: buffer length ----------------------------------------------------------
    Text("value cut at the buffer", "[S]\r\nKey=abcdefgh\r\n", "S", "Key", 4, "dflt", "abc"),
    Text("one-byte buffer", "[S]\r\nKey=abcdefgh\r\n", "S", "Key", 1, "dflt", ""),
    Text("value exactly fills the buffer", "[S]\r\nKey=abc\r\n", "S", "Key", 4, "dflt", "abc"),
    Text("fallback cut at the buffer", "[S]\r\n", "S", "Key", 3, "abcdef", "ab"),
    // ---- integers as the kernel reads them ----------------------------------------------
    Number("int plain", Reader::ProfileInt, "[S]\r\nKey=42\r\n", "S", "Key", 7, 42),
    Number("int blanks and sign", Reader::ProfileInt, "[S]\r\nKey=  -17  \r\n", "S", "Key", 7,
           -17),
    Number("int plus sign", Reader::ProfileInt, "[S]\r\nKey=+8\r\n", "S", "Key", 7, 8),
    Number("int leading digits", Reader::ProfileInt, "[S]\r\nKey=12abc\r\n", "S", "Key", 7, 12),
    Number("int from a real", Reader::ProfileInt, "[S]\r\nKey=3.9\r\n", "S", "Key", 7, 3),
    Number("int quoted", Reader::ProfileInt, "[S]\r\nKey=\"5\"\r\n", "S", "Key", 7, 5),
    Number("int without digits is 0", Reader::ProfileInt, "[S]\r\nKey=abc\r\n", "S", "Key", 7,
           0),
    Number("int empty value", Reader::ProfileInt, "[S]\r\nKey=\r\n", "S", "Key", 7, 7),
    Number("int missing", Reader::ProfileInt, "[S]\r\n", "S", "Key", 7, 7),
    Number("int no file", Reader::ProfileInt, nullptr, "S", "Key", 7, 7),
    // ---- ReadIniInt -----------------------------------------------------------------------
    Number("ReadIniInt plain", Reader::IniInt, "[Version=1.5]\r\nDot Shape=3\r\n", kSection,
           "Dot Shape", 1, 3),
    Number("ReadIniInt negative", Reader::IniInt, "[Version=1.5]\r\nK= -250 \r\n", kSection,
           "K", 1, -250),
    Number("ReadIniInt leading digits", Reader::IniInt, "[Version=1.5]\r\nK=12abc\r\n",
           kSection, "K", 1, 12),
    Number("ReadIniInt without digits", Reader::IniInt, "[Version=1.5]\r\nK=abc\r\n", kSection,
           "K", 5, 5),
    Number("ReadIniInt sign alone", Reader::IniInt, "[Version=1.5]\r\nK=- 5\r\n", kSection,
           "K", 5, 5),
    Number("ReadIniInt empty", Reader::IniInt, "[Version=1.5]\r\nK=\r\n", kSection, "K", 5, 5),
    Number("ReadIniInt too large", Reader::IniInt, "[Version=1.5]\r\nK=99999999999\r\n",
           kSection, "K", 5, 2147483647.0),
    Number("ReadIniInt too small", Reader::IniInt, "[Version=1.5]\r\nK=-99999999999\r\n",
           kSection, "K", 5, -2147483648.0),
    Number("ReadIniInt other section", Reader::IniInt, "[Version=1.4]\r\nK=3\r\n", kSection,
           "K", 5, 5),
    // ---- ReadIniReal ----------------------------------------------------------------------
    Number("ReadIniReal as written", Reader::IniReal, "[Version=1.5]\r\nDot Size=10.000000\r\n",
           kSection, "Dot Size", 1.0, 10.0),
    Number("ReadIniReal exact text", Reader::IniReal, "[Version=1.5]\r\nK=0.1\r\n", kSection,
           "K", 1.0, 0.1),
    Number("ReadIniReal decimal comma", Reader::IniReal, "[Version=1.5]\r\nK=1,5\r\n", kSection,
           "K", 1.0, 1.5),
    Number("ReadIniReal negative comma", Reader::IniReal, "[Version=1.5]\r\nK=-,25\r\n",
           kSection, "K", 1.0, -0.25),
    Number("ReadIniReal blanks and plus", Reader::IniReal, "[Version=1.5]\r\nK=  +2.25  \r\n",
           kSection, "K", 1.0, 2.25),
    Number("ReadIniReal exponent", Reader::IniReal, "[Version=1.5]\r\nK=1.5e2\r\n", kSection,
           "K", 1.0, 150.0),
    Number("ReadIniReal bare exponent letter", Reader::IniReal, "[Version=1.5]\r\nK=2e\r\n",
           kSection, "K", 1.0, 2.0),
    Number("ReadIniReal leading number", Reader::IniReal, "[Version=1.5]\r\nK=12.5px\r\n",
           kSection, "K", 1.0, 12.5),
    Number("ReadIniReal quoted", Reader::IniReal, "[Version=1.5]\r\nK='3.5'\r\n", kSection, "K",
           1.0, 3.5),
    Number("ReadIniReal small", Reader::IniReal, "[Version=1.5]\r\nK=0.000001\r\n", kSection,
           "K", 1.0, 0.000001),
    Number("ReadIniReal not a number", Reader::IniReal, "[Version=1.5]\r\nK=abc\r\n", kSection,
           "K", 7.5, 7.5),
    Number("ReadIniReal nan", Reader::IniReal, "[Version=1.5]\r\nK=nan\r\n", kSection, "K", 7.5,
           7.5),
    Number("ReadIniReal inf", Reader::IniReal, "[Version=1.5]\r\nK=-inf\r\n", kSection, "K",
           7.5, 7.5),
    Number("ReadIniReal overflow", Reader::IniReal, "[Version=1.5]\r\nK=1e999\r\n", kSection,
           "K", 7.5, 7.5),
    Number("ReadIniReal point alone", Reader::IniReal, "[Version=1.5]\r\nK=.\r\n", kSection, "K",
           7.5, 7.5),
    Number("ReadIniReal empty", Reader::IniReal, "[Version=1.5]\r\nK=\r\n", kSection, "K", 7.5,
           7.5),
    Number("ReadIniReal missing", Reader::IniReal, "[Version=1.5]\r\n", kSection, "K", 7.5, 7.5),
};

}  // namespace SettingsVectors
