// The stored-defaults file as anyone may have left it: arbitrary bytes read by the profile
// reader and the typed readers, then one key written and read back.
//
// Checked on every input: reads stay inside their buffers and are terminated, reals are
// finite, a written value reads back exactly, and writing one key leaves another key's
// value as it was.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AEUtil/Platform.h"
#include "effect/Identity.h"
#include "fuzz/FuzzScratch.h"
#include "params/StoredDefaults.h"

using namespace Params;

using namespace AEUtil::Platform;

namespace {

const tonedot::fuzz::FuzzScratch& Scratch() {
    static const tonedot::fuzz::FuzzScratch scratch;
    return scratch;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "settings fuzz: %s\n", what);
        std::abort();
    }
}

std::string ReadValue(const char* section, const char* key, const std::string& file,
                      std::size_t bufferSize) {
    std::string buffer(bufferSize + 16, '\x5a');
    const std::size_t n =
        ProfileReadString(section, key, "fallback", &buffer[0], bufferSize, file.c_str());
    Check(n < bufferSize || (bufferSize == 0 && n == 0), "count beyond the buffer");
    if (bufferSize > 0) Check(buffer[n] == '\0', "value not terminated");
    for (std::size_t i = bufferSize; i < buffer.size(); ++i)
        Check(buffer[i] == '\x5a', "write past the buffer");
    return std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = Scratch() / "T_Tonedot.ini";
    tonedot::fuzz::WriteFileBytes(file, data, size);
    SetSettingsSection(Identity::kSettingsSection);

    const char* keys[] = {"Dot Size", "Dot Shape", "Dot Color.r", "", " ", "=", "[", "Dot Size "};
    const std::size_t sizes[] = {0, 1, 2, 8, 128};
    for (const char* key : keys)
        for (std::size_t bufferSize : sizes) ReadValue(Identity::kSettingsSection, key, file, bufferSize);
    ReadValue("", "Dot Size", file, 64);
    ReadValue("]", "a", file, 64);

    (void)ProfileReadInt(Identity::kSettingsSection, "Dot Shape", 1, file.c_str());
    (void)ReadIniInt(file.c_str(), "Dot Shape", 1);
    Check(std::isfinite(ReadIniReal(file.c_str(), "Dot Size", 10.0)), "real not finite");
    (void)ReadIniColor(file.c_str(), "Dot Color", PF_Pixel{255, 1, 2, 3});

    // Writing one key changes that key only.
    const std::string otherBefore = ReadValue(Identity::kSettingsSection, "Dot Shape", file, 128);
    const std::string foreignBefore = ReadValue("Other", "Dot Size", file, 128);
    WriteIniReal(file.c_str(), "Dot Size", 12.5);
    if (ReadValue(Identity::kSettingsSection, "Dot Size", file, 128) == "fallback") {
        // Not written: the file must then be one the writer may not replace or not read
        // (marked as UTF-16 but not UTF-16).
        std::string text;
        Check(access(file.c_str(), W_OK) != 0 ||
                  ReadSettingsFile(file.c_str(), text) != SettingsFileStatus::Read,
              "write refused without reason");
    } else {
        Check(ReadValue(Identity::kSettingsSection, "Dot Size", file, 128) == "12.500000",
              "written value does not read back");
        Check(ReadIniReal(file.c_str(), "Dot Size", 0.0) == 12.5, "written real differs");
        Check(ReadValue(Identity::kSettingsSection, "Dot Shape", file, 128) == otherBefore,
              "another key changed");
        Check(ReadValue("Other", "Dot Size", file, 128) == foreignBefore,
              "the key of another section changed");
    }
    return 0;
}
