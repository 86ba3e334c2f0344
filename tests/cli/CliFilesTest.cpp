// What tonedot does to files end to end: outputs written whole or not at all (full disk,
// signals), never over an input, saves that read back, and the input's traits kept.
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <fstream>
#include <cstdint>

#include "CliRunner.h"
#include "cli/ExitCodes.h"

using namespace clitest;
using tonedot::cli::Depth;
using tonedot::cli::Picture;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What a shell command run in the scratch folder prints.
std::string RunShellIn(const CliScratch& s, const std::string& command) {
    std::string out;
    FILE* p = popen(("cd " + Quote(s.Dir()) + " && " + command).c_str(), "r");
    char buffer[4096];
    std::size_t n;
    while (p && (n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    if (p) pclose(p);
    return out;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// A PNG file made animated: an acTL chunk (one frame, played forever) before its image data.
std::string Animated(const std::string& png) {
    auto crc = [](const std::string& bytes) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (unsigned char b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    const std::string body = "acTL" + be(1) + be(0);
    const std::size_t idat = png.find("IDAT") - 4;
    return png.substr(0, idat) + be(8) + body + be(crc(body)) + png.substr(idat);
}

bool NoTemporaryFiles(const CliScratch& s) {
    for (const std::string& name : s.Listing())
        if (name.find(".tonedot-") != std::string::npos) return false;
    return true;
}

// Writes an image through the image library with the given header attributes.
void WriteWithLibrary(const std::string& path, OIIO::ImageSpec layout, const std::vector<float>& pixels) {
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out && out->open(path, layout)) << OIIO::geterror();
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()));
    ASSERT_TRUE(out->close());
}

std::vector<float> Gradient(int w, int h, int channels) {
    std::vector<float> p(static_cast<std::size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                p[(static_cast<std::size_t>(y) * w + x) * channels + c] =
                    c == 3 ? (x < w / 2 ? 1.0f : 0.25f) : static_cast<float>((x * (c + 1) + y * 3) % 256) / 255.0f;
    return p;
}

OIIO::ImageSpec HeaderOf(const std::string& path) {
    auto in = OIIO::ImageInput::open(path);
    EXPECT_TRUE(in) << path << ": " << OIIO::geterror();
    return in ? in->spec() : OIIO::ImageSpec();
}

}  // namespace

// A file-size limit (as a full disk or quota does) stops every kind of output: the run
// fails with the output error, the file that was there is untouched, no temporary remains.
TEST(CliFiles, FullDiskLeavesThePreviousFileAndNoTemporary) {
    CliScratch s;
    s.WriteCard("in.png", 640, 480);
    s.WriteCard("tiny.png", 8, 8);
    struct Case {
        std::string target;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {"out.png", {"render", "in.png", "-o", "out.png"}},
        {"out.jpg", {"render", "in.png", "-o", "out.jpg"}},
        {"out.tif", {"render", "in.png", "-o", "out.tif"}},
        {"out.exr", {"render", "in.png", "-o", "out.exr"}},
        {"dots.svg", {"render", "tiny.png", "-o", "tiny-out.png", "--svg", "dots.svg", "--set", "Dot Size=1", "--set",
                      "Dot Distance X=0", "--set", "Dot Distance Y=0"}},
        {"look.ini", {"preset", "save", "look.ini"}},
    };
    for (const Case& c : cases) {
        { std::ofstream(s.Path(c.target)) << "precious"; }
        // 1 KiB: every case above writes more than that (and its message less), and the
        // program itself must cope with SIGXFSZ.
        const RunResult r = s.Run(c.args, "ulimit -f 1;");
        EXPECT_EQ(r.code, tonedot::cli::kExitIO) << c.target << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "cannot write \"" + c.target + "\"")) << r.err;
        EXPECT_EQ(ReadText(s.Path(c.target)), "precious") << c.target;
        EXPECT_TRUE(NoTemporaryFiles(s)) << c.target;
    }
    // The stored defaults file, written by the effect itself, is checked by reading it back.
    const RunResult d = s.Run({"defaults", "save", "--set", "Shift Hue 3=10"}, "ulimit -f 1;");
    EXPECT_EQ(d.code, tonedot::cli::kExitIO) << d.err;
    EXPECT_TRUE(Contains(d.err, "cannot store the defaults")) << d.err;
}

// No output may be an input of the same run, by any name; nor may two outputs be one file.
TEST(CliFiles, OutputsThatAreInputsOrEachOtherAreRefusedBeforeAnythingIsWritten) {
    CliScratch s;
    s.WriteCard("in.png", 60, 40);
    s.WriteCard("map.png", 60, 40);
    for (int f = 1; f <= 12; ++f) s.WriteCard("a" + std::to_string(f) + ".png", 60, 40);
    ASSERT_EQ(link(s.Path("in.png").c_str(), s.Path("hard.png").c_str()), 0);
    ASSERT_EQ(symlink("in.png", s.Path("soft.png").c_str()), 0);
    mkdir(s.Path("sub").c_str(), 0777);
    const std::vector<std::string> before = s.Listing();
    const std::string card = ReadText(s.Path("in.png"));
    const std::vector<std::vector<std::string>> cases = {
        {"in.png", "-o", "in.png"},
        {"in.png", "-o", "./sub/../in.png"},
        {"in.png", "-o", "hard.png"},
        {"in.png", "-o", "soft.png"},
        {"in.png", "-o", "x.png", "--svg", "in.png"},
        {"in.png", "-o", "x.png", "--layer", "Custom Map Layer 1=map.png", "--svg", "map.png"},
        // Frame 1 would write a11.png, which is frame 11's input.
        {"a%d.png", "-o", "a1%d.png", "--frames", "1-12"},
        {"in.png", "-o", "x.png", "--svg", "x.png"},
        {"in.png", "-o", "x.png", "--svg", "sub/../x.png"},
        {"in.png", "-o", "o%d.png", "--frames", "1-2", "--svg", "o%d.png"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.begin(), c.end());
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, tonedot::cli::kExitUsage) << c[2] << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "never writes over its input") || Contains(r.err, "are the same file")) << r.err;
        EXPECT_EQ(s.Listing(), before) << c[2];
    }
    EXPECT_EQ(ReadText(s.Path("in.png")), card);

    // Files read besides the frames: a preset, the stored defaults; and standard output
    // redirected onto the input, appending or in place.
    ASSERT_EQ(s.Run({"preset", "save", "look.svg", "--set", "Dot Size=12"}).code, 0);
    ASSERT_EQ(s.Run({"defaults", "save", "--set", "Dot Size=11"}).code, 0);
    const std::string stored = Trimmed(RunShellIn(s, "find config -name '*.ini'"));
    ASSERT_FALSE(stored.empty());
    const std::string look = ReadText(s.Path("look.svg")), defaults = ReadText(s.Path(stored));
    for (const auto& args : std::vector<std::vector<std::string>>{{"in.png", "-o", "y.png", "--preset", "look.svg", "--svg", "look.svg"},
                                                                 {"in.png", "-o", "y.png", "--svg", stored}}) {
        std::vector<std::string> all = {"render"};
        all.insert(all.end(), args.begin(), args.end());
        const RunResult r = s.Run(all);
        EXPECT_EQ(r.code, tonedot::cli::kExitUsage) << r.err;
        EXPECT_TRUE(Contains(r.err, "never writes over its input")) << r.err;
    }
    for (const char* redirect : {">>", "1<>"}) {
        const std::string said = RunShellIn(s, "XDG_CONFIG_HOME=config TONEDOT_EFFECT=" + Quote(TONEDOT_EFFECT_PATH) + " " +
                                                   Quote(TONEDOT_CLI_PATH) + " render in.png -o - 2>&1 " + redirect +
                                                   " in.png; echo \"exit $?\"");
        EXPECT_TRUE(Contains(said, "standard output (-o -) is the input \"in.png\"") && Contains(said, "exit 2")) << said;
    }
    EXPECT_EQ(ReadText(s.Path("in.png")), card);
    EXPECT_EQ(ReadText(s.Path("look.svg")), look);
    EXPECT_EQ(ReadText(s.Path(stored)), defaults);
}

// Only a regular file, or a name that is not there, is replaced: a device, a named pipe, a
// link to either or to a descriptor is refused and stays what it was.  A name of 254 bytes
// is written (its temporary name is shortened).
TEST(CliFiles, OutputsReplaceOnlyRegularFiles) {
    CliScratch s;
    s.WriteCard("in.png", 40, 30);
    ASSERT_EQ(mkfifo(s.Path("pipe.png").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/stdout", s.Path("stdout.png").c_str()), 0);
    ASSERT_EQ(symlink("/proc/self/fd/1", s.Path("fd.png").c_str()), 0);
    std::vector<std::string> names = {"pipe.png", "stdout.png", "fd.png"};
    if (mknod(s.Path("null.png").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_EQ(symlink("null.png", s.Path("to-null.png").c_str()), 0);
        names.insert(names.end(), {"null.png", "to-null.png"});
    }  // else not root: no device nodes
    for (const std::string& name : names) {
        struct stat before{};
        ASSERT_EQ(lstat(s.Path(name).c_str(), &before), 0);
        for (const auto& args : std::vector<std::vector<std::string>>{{"render", "in.png", "-o", name},
                                                                     {"render", "in.png", "-o", "ok.png", "--svg", name},
                                                                     {"preset", "save", name}}) {
            const RunResult r = s.Run(args);
            EXPECT_EQ(r.code, tonedot::cli::kExitIO) << name << " " << args[2] << ": " << r.err;
            EXPECT_TRUE(Contains(r.err, "replaces only regular files")) << r.err;
            EXPECT_FALSE(Contains(r.err, ".tonedot-")) << r.err;
        }
        struct stat after{};
        ASSERT_EQ(lstat(s.Path(name).c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << name;
    }
    const std::string longName = std::string(250, 'n') + ".png";
    const RunResult r = s.Run({"render", "in.png", "-o", longName});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Exists(s.Path(longName)));
}

// Every signal that ends a run: finished frames stay whole, the frame in progress leaves
// nothing, and the exit code says which signal it was.
TEST(CliFiles, EverySignalEndsTheRunCleanly) {
    CliScratch s;
    s.WriteCard("in.png", 900, 600);
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        const std::string prefix = "s" + std::to_string(signo) + ".";
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(s.Dir().c_str()) != 0) _exit(99);
            setenv("XDG_CONFIG_HOME", s.Config().c_str(), 1);
            setenv("TONEDOT_EFFECT", TONEDOT_EFFECT_PATH, 1);
            if (!std::freopen((prefix + "err").c_str(), "w", stderr)) _exit(98);
            const std::string out = prefix + "%03d.png";
            execl(TONEDOT_CLI_PATH, TONEDOT_CLI_PATH, "render", "in.png", "-o", out.c_str(), "--frames", "1-300",
                  "--set", "Dot Size=1", "--set", "Dot Distance X=0", "--set", "Dot Distance Y=0", "--jobs", "2",
                  static_cast<char*>(nullptr));
            _exit(97);
        }
        // The signal comes once the run is under way (its first frame written), however
        // busy the machine is.
        for (int i = 0; i < 1200 && !Exists(s.Path(prefix + "001.png")) && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, signo);
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 1200 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "signal " << signo << ": the render did not stop within a minute";
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << signo;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signo);
        EXPECT_TRUE(Contains(ReadText(s.Path(prefix + "err")), "tonedot: interrupted")) << signo;
        EXPECT_TRUE(NoTemporaryFiles(s)) << signo;
        int frames = 0;
        for (const std::string& name : s.Listing())
            if (name.rfind(prefix, 0) == 0 && name != prefix + "err") {
                ++frames;
                EXPECT_NO_THROW(tonedot::cli::ReadImage(s.Path(name))) << name;
            }
        EXPECT_LT(frames, 300) << signo;
    }
}

// Saves are read back; a place that cannot hold the file is an error; what the file
// cannot hold is named; and a key given twice means its first value, as the effect reads it.
TEST(CliFiles, SavesAreCheckedAndDuplicateKeysMeanTheFirst) {
    CliScratch s;
    { std::ofstream(s.Path("notafolder")) << "x"; }
    const RunResult preset = s.Run({"preset", "save", "notafolder/p.ini"});
    EXPECT_EQ(preset.code, tonedot::cli::kExitIO);
    EXPECT_TRUE(Contains(preset.err, "cannot write \"notafolder/p.ini\"")) << preset.err;
    // The settings folder is a file: nothing can be stored under it.
    rmdir(s.Config().c_str());
    { std::ofstream(s.Config()) << "x"; }
    const RunResult save = s.Run({"defaults", "save", "--set", "Dot Size=7"});
    EXPECT_EQ(save.code, tonedot::cli::kExitIO);
    EXPECT_TRUE(Contains(save.err, "cannot store the defaults")) << save.err;
    std::remove(s.Config().c_str());
    mkdir(s.Config().c_str(), 0777);

    const RunResult points = s.Run({"preset", "save", "p.ini", "--set", "Center Position=10,20"});
    EXPECT_EQ(points.code, 0) << points.err;
    EXPECT_TRUE(Contains(points.err, "\"Center Position\" is not stored")) << points.err;
    const RunResult stored = s.Run({"defaults", "save", "--set", "Center Position=10,20", "--set", "Dot Size=7"});
    EXPECT_EQ(stored.code, 0) << stored.err;
    EXPECT_TRUE(Contains(stored.err, "\"Center Position\" is not stored")) << stored.err;
    EXPECT_EQ(s.Run({"defaults", "reset"}).code, 0);

    {
        std::ofstream dup(s.Path("dup.ini"));
        dup << "[Version=1.5]\nDot Size=5\ndot size=9\nDot Color.r=10\n[Other]\nDot Size=1\n"
               "[Version=1.5]\nDot Size=2\nDot Color.r=200\n";
    }
    ASSERT_EQ(s.Run({"preset", "save", "back.ini", "--preset", "dup.ini"}).code, 0);
    const std::string back = ReadText(s.Path("back.ini"));
    EXPECT_TRUE(Contains(back, "Dot Size=5.000000\n")) << back;
    EXPECT_TRUE(Contains(back, "Dot Color.r=10\n")) << back;
}

// What the input carries besides its pixels reaches the output where the format holds it.
TEST(CliFiles, MetadataLayoutAndPixelTypeOfTheInputAreKept) {
    CliScratch s;
    const int w = 80, h = 60;
    // A colour profile with a header the image libraries accept and no tags.
    std::vector<unsigned char> icc(132, 0);
    icc[3] = 132;
    std::memcpy(&icc[8], "\x02\x10\x00\x00mntrRGB XYZ ", 16);
    std::memcpy(&icc[36], "acsp", 4);
    std::memcpy(&icc[68], "\x00\x00\xf6\xd6\x00\x01\x00\x00\x00\x00\xd3\x2d", 12);  // D50
    {
        OIIO::ImageSpec jpg(w, h, 3, OIIO::TypeDesc::UINT8);
        jpg.attribute("Artist", "A. Painter");
        jpg.attribute("Exif:DateTimeOriginal", "2020:01:02 03:04:05");
        jpg.attribute("ICCProfile", OIIO::TypeDesc(OIIO::TypeDesc::UINT8, static_cast<int>(icc.size())), icc.data());
        WriteWithLibrary(s.Path("photo.jpg"), jpg, Gradient(w, h, 3));
        OIIO::ImageSpec exr(w, h, 4, OIIO::TypeDesc::HALF);
        exr.x = 5;
        exr.y = 7;
        exr.full_x = 0;
        exr.full_y = 0;
        exr.full_width = 100;
        exr.full_height = 90;
        exr.attribute("compression", "piz");
        WriteWithLibrary(s.Path("plate.exr"), exr, Gradient(w, h, 4));
        OIIO::ImageSpec tif(w, h, 3, OIIO::TypeDesc::UINT16);
        tif.attribute("compression", "lzw");
        WriteWithLibrary(s.Path("scan.tif"), tif, Gradient(w, h, 3));
    }
    ASSERT_EQ(s.Run({"render", "photo.jpg", "-o", "photo-out.jpg"}).code, 0);
    ASSERT_EQ(s.Run({"render", "photo.jpg", "-o", "photo-out.png"}).code, 0);
    ASSERT_EQ(s.Run({"render", "plate.exr", "-o", "plate-out.exr"}).code, 0);
    ASSERT_EQ(s.Run({"render", "scan.tif", "-o", "scan-out.tif"}).code, 0);
    ASSERT_EQ(s.Run({"render", "photo.jpg", "-o", "photo-out.tif"}).code, 0);

    for (const char* name : {"photo-out.jpg", "photo-out.png", "photo-out.tif"}) {
        const OIIO::ImageSpec out = HeaderOf(s.Path(name));
        EXPECT_EQ(out.nchannels, 3) << name << ": an opaque RGB input stays RGB";
        EXPECT_EQ(out.get_string_attribute("Artist"), "A. Painter") << name;
        if (std::string(name) == "photo-out.png") continue;  // the PNG writer keeps no profile
        const OIIO::ParamValue* profile = out.find_attribute("ICCProfile");
        ASSERT_TRUE(profile) << name;
        EXPECT_EQ(std::memcmp(profile->data(), icc.data(), icc.size()), 0) << name;
    }
    EXPECT_EQ(HeaderOf(s.Path("photo-out.jpg")).get_string_attribute("Exif:DateTimeOriginal"), "2020:01:02 03:04:05");
    const OIIO::ImageSpec plate = HeaderOf(s.Path("plate-out.exr"));
    EXPECT_EQ(plate.format, OIIO::TypeDesc::HALF);
    EXPECT_EQ(plate.nchannels, 4);
    EXPECT_EQ(plate.x, 5);
    EXPECT_EQ(plate.y, 7);
    EXPECT_EQ(plate.full_width, 100);
    EXPECT_EQ(plate.full_height, 90);
    EXPECT_EQ(plate.get_string_attribute("compression"), "piz");
    const OIIO::ImageSpec scan = HeaderOf(s.Path("scan-out.tif"));
    EXPECT_EQ(scan.format, OIIO::TypeDesc::UINT16);
    EXPECT_EQ(scan.get_string_attribute("compression"), "lzw");
    EXPECT_EQ(HeaderOf(s.Path("photo-out.tif")).get_string_attribute("compression"), "none");
}

// An EXIF orientation is applied before the render and the result is written upright:
// the render of a turned file equals the render of the upright picture.
TEST(CliFiles, OrientedInputsAreRenderedUpright) {
    CliScratch s;
    const int w = 90, h = 50;
    const Picture upright = tonedot::cli::MakeTestCard(w, h, Depth::Bits8);
    tonedot::cli::WriteImage(s.Path("upright.tif"), upright);
    ASSERT_EQ(s.Run({"render", "upright.tif", "-o", "want.png"}).code, 0);
    // The stored pixels of orientation 6: the upright picture turned a quarter anticlockwise.
    std::vector<float> stored(static_cast<std::size_t>(w) * h * 3);
    for (int sy = 0; sy < w; ++sy)
        for (int sx = 0; sx < h; ++sx) {
            const auto& p = upright.At<PF_Pixel>(w - 1 - sy, sx);
            float* d = &stored[(static_cast<std::size_t>(sy) * h + sx) * 3];
            d[0] = p.red / 255.0f;
            d[1] = p.green / 255.0f;
            d[2] = p.blue / 255.0f;
        }
    OIIO::ImageSpec layout(h, w, 3, OIIO::TypeDesc::UINT8);
    layout.attribute("Orientation", 6);
    WriteWithLibrary(s.Path("turned.tif"), layout, stored);
    ASSERT_EQ(s.Run({"render", "turned.tif", "-o", "got.tif"}).code, 0);
    EXPECT_TRUE(s.Load("got.tif") == s.Load("want.png"));
    EXPECT_EQ(HeaderOf(s.Path("got.tif")).get_int_attribute("Orientation", 1), 1);
}

// Inputs tonedot cannot render faithfully are refused or warned about, with one clear line.
TEST(CliFiles, DamagedAnimatedAndAlphaLosingCasesAreNotSilent) {
    CliScratch s;
    s.WriteCard("in.png", 200, 120);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "full.jpg"}).code, 0);
    {
        const std::string whole = ReadText(s.Path("full.jpg"));
        std::ofstream(s.Path("cut.jpg"), std::ios::binary) << whole.substr(0, whole.size() / 2);
        // A PNG whose image data fails its checksum: libpng says so on standard error itself.
        std::string png = ReadText(s.Path("in.png"));
        const std::size_t idat = png.find("IDAT");
        const std::size_t length = (std::size_t{static_cast<unsigned char>(png[idat - 4])} << 24) |
                                   (std::size_t{static_cast<unsigned char>(png[idat - 3])} << 16) |
                                   (std::size_t{static_cast<unsigned char>(png[idat - 2])} << 8) |
                                   static_cast<unsigned char>(png[idat - 1]);
        png[idat + 4 + length] = static_cast<char>(png[idat + 4 + length] ^ 0x5A);
        std::ofstream(s.Path("crc.png"), std::ios::binary) << png;
        auto gif = OIIO::ImageOutput::create("anim.gif");
        std::vector<OIIO::ImageSpec> frames(3, OIIO::ImageSpec(20, 10, 3, OIIO::TypeDesc::UINT8));
        ASSERT_TRUE(gif->open(s.Path("anim.gif"), 3, frames.data()));
        const std::vector<float> pixels = Gradient(20, 10, 3);
        for (int i = 0; i < 3; ++i) {
            if (i) {
                ASSERT_TRUE(gif->open(s.Path("anim.gif"), frames[0], OIIO::ImageOutput::AppendSubimage));
            }
            ASSERT_TRUE(gif->write_image(OIIO::TypeDesc::FLOAT, pixels.data()));
        }
        ASSERT_TRUE(gif->close());
        OIIO::ImageSpec grey(200, 120, 3, OIIO::TypeDesc::UINT8);
        std::vector<float> mask(200 * 120 * 3), masked(200 * 120 * 4);
        for (int i = 0; i < 200 * 120; ++i) {
            const float v = (i % 200) < 100 ? 1.0f : 0.0f;
            mask[i * 3] = mask[i * 3 + 1] = mask[i * 3 + 2] = v;
            masked[i * 4] = masked[i * 4 + 1] = masked[i * 4 + 2] = 1.0f;
            masked[i * 4 + 3] = v;
        }
        WriteWithLibrary(s.Path("mask.png"), grey, mask);
        WriteWithLibrary(s.Path("alpha-mask.png"), OIIO::ImageSpec(200, 120, 4, OIIO::TypeDesc::UINT8), masked);
    }
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"cut.jpg", "-o", "a.png"}, tonedot::cli::kExitIO, "damaged"},
        {{"crc.png", "-o", "a.png"}, tonedot::cli::kExitIO, "CRC error"},
        {{"anim.gif", "-o", "b.png"}, tonedot::cli::kExitIO, "holds 3 images"},
        {{"in.png", "-o", "c.jpg", "--set", "Mask=Layer", "--layer", "Mask Target Layer=alpha-mask.png", "--set",
          "Clear Background=on"},
         0, "cannot hold transparency"},
        {{"in.png", "-o", "d.png", "--set", "Mask=Layer", "--layer", "Mask Target Layer=mask.png"}, 0,
         "mask.png:luma"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "tonedot: ") && Contains(r.err, c.says)) << r.err;
        // A refusal is one line, whatever the image library said.
        if (c.code != 0) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    // A grey mask's brightness as its alpha is the same mask as one with that alpha.
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "luma.png", "--set", "Mask=Layer", "--layer",
                     "Mask Target Layer=mask.png:luma"}).code, 0);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "alpha.png", "--set", "Mask=Layer", "--layer",
                     "Mask Target Layer=alpha-mask.png"}).code, 0);
    EXPECT_TRUE(s.Load("luma.png") == s.Load("alpha.png"));
    EXPECT_FALSE(s.Load("luma.png") == s.Load("d.png"));
}

// Any number of jobs writes the same bytes as one.
TEST(CliFiles, JobsWriteTheSameBytesAsOne) {
    CliScratch s;
    for (int f = 1; f <= 6; ++f) s.WriteCard("in." + std::to_string(f) + ".png", 150 + f, 90);
    for (const char* jobs : {"1", "2", "0"}) {
        const RunResult r = s.Run({"render", "in.%d.png", "-o", std::string("j") + jobs + ".%d.png", "--frames", "1-6",
                                   "--jobs", jobs, "--set", "Random Interval=1", "--set", "Size=0.5"});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    for (int f = 1; f <= 6; ++f) {
        const std::string one = ReadText(s.Path("j1." + std::to_string(f) + ".png"));
        EXPECT_FALSE(one.empty());
        EXPECT_EQ(ReadText(s.Path("j2." + std::to_string(f) + ".png")), one) << f;
        EXPECT_EQ(ReadText(s.Path("j0." + std::to_string(f) + ".png")), one) << f;
    }
}

// A frame the machine cannot hold is refused before it is read, saying what it needs.
TEST(CliFiles, AFrameTooLargeForTheMemoryIsRefusedUpFront) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer cannot start under the address-space limit this test sets";
#endif
    CliScratch s;
    const int side = 4000;
    OIIO::ImageSpec layout(side, side, 3, OIIO::TypeDesc::UINT8);
    auto out = OIIO::ImageOutput::create("big.png");
    ASSERT_TRUE(out->open(s.Path("big.png"), layout));
    std::vector<unsigned char> row(side * 3, 90);
    for (int y = 0; y < side; ++y) ASSERT_TRUE(out->write_scanline(y, 0, OIIO::TypeDesc::UINT8, row.data()));
    ASSERT_TRUE(out->close());
    // As float a 16-megapixel frame needs about 1 GB; the address space allows less.
    const RunResult r = s.Run({"render", "big.png", "-o", "o.exr", "--depth", "32"}, "ulimit -v 900000;");
    EXPECT_EQ(r.code, tonedot::cli::kExitMemory) << r.err;
    EXPECT_TRUE(Contains(r.err, "needs about")) << r.err;
    EXPECT_TRUE(Contains(r.err, "available")) << r.err;
    EXPECT_FALSE(Exists(s.Path("o.exr")));
}

// Inputs of every kind end with the documented code and never hang: a named pipe is read
// once as the input (and refused as a layer, which is read per frame); an animated PNG is
// refused as GIFs are; images of odd shapes (a single row of a million pixels, a thousand
// channels) take memory by their pixels, not by their rows or channels.
TEST(CliFiles, StreamsAnimationsAndOddShapesEndWithTheDocumentedCode) {
    CliScratch s;
    s.WriteCard("in.png", 64, 48);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "direct.png"}).code, 0);
    ASSERT_EQ(mkfifo(s.Path("pipe").c_str(), 0644), 0);
    std::ofstream(s.Path("anim.png"), std::ios::binary) << Animated(ReadText(s.Path("in.png")));
    WriteWithLibrary(s.Path("row.png"), OIIO::ImageSpec(1000000, 1, 3, OIIO::TypeDesc::UINT8),
                     std::vector<float>(3000000, 0.5f));
    WriteWithLibrary(s.Path("channels.tif"), OIIO::ImageSpec(4000, 16, 1024, OIIO::TypeDesc::UINT8),
                     std::vector<float>(std::size_t{4000} * 16 * 1024, 0.25f));
    struct Case {
        std::vector<std::string> args;
        std::string prefix;  // run before: the pipe's writer, the memory limit
        int code;
        std::string says;
    };
    const std::string feed = "(cat in.png > pipe &) ;";
#if defined(__SANITIZE_ADDRESS__)
    const std::string kMemoryLimit = "";  // AddressSanitizer cannot start under an address-space limit
#else
    const std::string kMemoryLimit = "ulimit -v 2500000;";
#endif
    const std::vector<Case> cases = {
        {{"pipe", "-o", "piped.png"}, feed, 0, ""},
        {{"in.png", "-o", "x.png", "--layer", "Custom Map Layer 1=pipe"}, "", tonedot::cli::kExitIO, "named pipe"},
        {{"anim.png", "-o", "y.png"}, "", tonedot::cli::kExitIO, "animated PNG"},
        {{"row.png", "-o", "row-out.png"}, kMemoryLimit, 0, ""},
        {{"channels.tif", "-o", "channels-out.png"}, kMemoryLimit, 0, ""},
        {{"--frames", "1-2000000000", "in.png", "-o", "f.%d.png"}, "", tonedot::cli::kExitUsage, "too many frames"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = s.Run(args, c.prefix + " timeout 120 env");
        EXPECT_EQ(r.code, c.code) << c.args[0] << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    }
    EXPECT_EQ(ReadText(s.Path("piped.png")), ReadText(s.Path("direct.png")));
    EXPECT_TRUE(NoTemporaryFiles(s));
}

// A thread that cannot be started (here: no address space left for its stack) ends the run
// as an error with nothing left behind, for frames on threads of their own and for the
// host's workers.
TEST(CliFiles, ThreadsThatCannotStartEndAsAnError) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers cannot start under the address-space limit this test sets";
#endif
    CliScratch s;
    s.WriteCard("in.png", 64, 48);
    for (const std::vector<std::string>& threads : {std::vector<std::string>{"--jobs", "64", "--threads", "1"},
                                                    std::vector<std::string>{"--jobs", "1", "--threads", "256"}}) {
        std::vector<std::string> args = {"render", "in.png", "-o", "o.%d.png", "--frames", "1-64"};
        args.insert(args.end(), threads.begin(), threads.end());
        const RunResult r = s.Run(args, "ulimit -s 65536; ulimit -v 1500000;");
        EXPECT_EQ(r.code, tonedot::cli::kExitMemory) << threads[1] << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "cannot start another thread")) << r.err;
        EXPECT_TRUE(NoTemporaryFiles(s));
    }
}
