// The built library, loaded as the real host loads it: from its file, through its one export.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/Host.h"
#include "tests/support/BuildVersion.h"

#if defined(__linux__)
#include <elf.h>
#endif

namespace tonedot::test {
namespace {

#if defined(__linux__)
// The names of the symbols a shared library defines and exports, read from its dynamic
// symbol table.
std::vector<std::string> ExportedSymbols(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::string> names;
    if (bytes.size() < sizeof(Elf64_Ehdr)) return names;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64) {
        return names;
    }
    auto section = [&](size_t i) {
        Elf64_Shdr s;
        std::memcpy(&s, bytes.data() + header.e_shoff + i * header.e_shentsize, sizeof s);
        return s;
    };
    for (size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr dynsym = section(i);
        if (dynsym.sh_type != SHT_DYNSYM) continue;
        const Elf64_Shdr strtab = section(dynsym.sh_link);
        for (size_t k = 0; k < dynsym.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym sym;
            std::memcpy(&sym, bytes.data() + dynsym.sh_offset + k * sizeof sym, sizeof sym);
            const unsigned bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || bind == STB_LOCAL) continue;
            names.emplace_back(bytes.data() + strtab.sh_offset + sym.st_name);
        }
    }
    return names;
}

TEST(LibraryExports, OnlyTheEntryPointIsExported) {
    const std::vector<std::string> names = ExportedSymbols(TONEDOT_EFFECT_PATH);
    EXPECT_EQ(names, std::vector<std::string>{"EntryPointFunc"});
}
#endif

TEST(LibraryLoad, TheHostLoadsTheLibraryAndTalksToIt) {
    Host host(std::string(TONEDOT_EFFECT_PATH));
    ASSERT_TRUE(host.Loaded()) << host.LoadError();
    // Only the entry point can be found; the framework's own names stay inside.
    EXPECT_EQ(host.Library()->Symbol("_ZN10BaseFilter8DispatchEiP9PF_InDataP10PF_OutDataPP11PF_"
                                     "ParamDefP11PF_LayerDefPv"),
              nullptr);
    EXPECT_EQ(host.Library()->Symbol("BuildParamList"), nullptr);

    // The first call, whatever it is, builds the effect.
    CallResult about = host.Send(PF_Cmd_ABOUT);
    EXPECT_EQ(about.err, PF_Err_NONE);
    CallResult setup = host.Send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(setup.err, PF_Err_NONE);
    EXPECT_EQ(setup.out.my_version, tonedot::test::kBuildVersion);
    EXPECT_EQ(setup.out.out_flags, 0x06000072);
    EXPECT_EQ(setup.out.out_flags2, 0x08801419);
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    EXPECT_EQ(host.Send(PF_Cmd_ABOUT).err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.LeakReport(), "");
}

TEST(LibraryLoad, AMissingLibraryIsReportedNotCrashed) {
    Host host(std::string("/nonexistent/T_Tonedot.so"));
    EXPECT_FALSE(host.Loaded());
    EXPECT_FALSE(host.LoadError().empty());
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_INVALID_CALLBACK);
}

}  // namespace
}  // namespace tonedot::test
