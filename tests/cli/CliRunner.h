// Runs the built tonedot program in a scratch folder of its own and captures what it says.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

#include "cli/ImageFile.h"
#include "cli/TestCard.h"

namespace clitest {

struct RunResult {
    int code = -1;
    std::string out, err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A scratch folder with its own settings folder (XDG_CONFIG_HOME), so stored defaults of
// the machine's user never reach a test.
class CliScratch {
public:
    CliScratch() {
        char pattern[] = "/tmp/tonedot-cli-test-XXXXXX";
        dir_ = mkdtemp(pattern);
        mkdir((dir_ + "/config").c_str(), 0777);
    }
    ~CliScratch() { std::system(("chmod -R u+w " + Quote(dir_) + " 2>/dev/null; rm -rf " + Quote(dir_)).c_str()); }
    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string Config() const { return dir_ + "/config"; }

    // Runs "tonedot ARGS" in the scratch folder, standard input from `input` (a path
    // relative to the scratch folder, or absolute).
    RunResult Run(const std::vector<std::string>& args, const std::string& prefix = "",
                  const std::string& input = "/dev/null") const {
        std::string command = "cd " + Quote(dir_) + " && " + prefix + " XDG_CONFIG_HOME=" + Quote(Config()) +
                              " TONEDOT_EFFECT=" + Quote(TONEDOT_EFFECT_PATH) + " " + Quote(TONEDOT_CLI_PATH);
        for (const std::string& a : args) command += " " + Quote(a);
        command += " > " + Quote(dir_ + "/.stdout") + " 2> " + Quote(dir_ + "/.stderr") + " < " + Quote(input);
        const int status = std::system(command.c_str());
        RunResult r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadText(dir_ + "/.stdout");
        r.err = ReadText(dir_ + "/.stderr");
        std::remove((dir_ + "/.stdout").c_str());
        std::remove((dir_ + "/.stderr").c_str());
        return r;
    }

    // Names in the scratch folder (without the settings folder).
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        std::string out;
        FILE* p = popen(("ls -A " + Quote(dir_)).c_str(), "r");
        char line[512];
        while (p && std::fgets(line, sizeof line, p)) {
            std::string n = line;
            if (!n.empty() && n.back() == '\n') n.pop_back();
            if (n != "config") names.push_back(n);
        }
        if (p) pclose(p);
        return names;
    }

    // Writes the test card (width x height) as an image file in the scratch folder.
    void WriteCard(const std::string& name, int width = 240, int height = 160,
                   tonedot::cli::Depth depth = tonedot::cli::Depth::Bits8) const {
        tonedot::cli::WriteImage(Path(name), tonedot::cli::MakeTestCard(width, height, depth));
    }

    tonedot::cli::Picture Load(const std::string& name) const {
        return tonedot::cli::ReadImage(Path(name)).picture;
    }

private:
    std::string dir_;
};

}  // namespace clitest
