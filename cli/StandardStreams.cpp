#include "cli/StandardStreams.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Copies everything from one descriptor to another; answers 0 or the errno of the failure.
int Copy(int from, int to, std::size_t& copied) {
    std::vector<char> buffer(1 << 16);
    copied = 0;
    for (;;) {
        const ssize_t n = read(from, buffer.data(), buffer.size());
        if (n == 0) return 0;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(to, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += w;
        }
        copied += static_cast<std::size_t>(n);
    }
}

// How many whole PNG images follow one another in a file (ffmpeg's image2pipe sends a
// stream of them): each is the signature, then chunks up to IEND.  0 when the file does
// not start as a PNG.
int PngImagesIn(int fd, std::size_t size) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::size_t offset = 0;
    int images = 0;
    unsigned char head[8];
    while (offset + 8 <= size && pread(fd, head, 8, static_cast<off_t>(offset)) == 8 &&
           std::memcmp(head, kSignature, 8) == 0) {
        offset += 8;
        for (;;) {
            if (offset + 12 > size || pread(fd, head, 8, static_cast<off_t>(offset)) != 8) return images;
            const std::size_t length = (std::size_t{head[0]} << 24) | (std::size_t{head[1]} << 16) |
                                       (std::size_t{head[2]} << 8) | head[3];
            offset += 12 + length;
            if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        }
        ++images;
    }
    return images;
}

}  // namespace

StandardInputFile::StandardInputFile(const std::string& stream) : shown_(stream.empty() ? "standard input" : "\"" + stream + "\"") {
    if (stream.empty() && isatty(STDIN_FILENO) == 1)
        throw UsageError("the input \"-\" reads an image from standard input, which is a terminal; "
                         "pipe an image in (for example: tonedot render - -o out.png < photo.png).");
    const int from = stream.empty() ? STDIN_FILENO : open(stream.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) throw IOError("cannot read " + shown_ + ": " + std::strerror(errno) + ".");
    file_ = std::make_unique<AtomicFile>(TempFolder() + "/stdin");
    const int fd = open(file_->TempPath().c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
    std::size_t size = 0;
    int error = fd < 0 ? errno : Copy(from, fd, size);
    if (!stream.empty()) close(from);
    const int images = error == 0 ? PngImagesIn(fd, size) : 0;
    if (fd >= 0 && close(fd) != 0 && error == 0) error = errno;
    if (error != 0) throw IOError("cannot read " + shown_ + ": " + std::string(std::strerror(error)) + ".");
    if (size == 0) throw IOError("cannot read " + shown_ + ": it holds no image (it is empty).");
    // Never only the first of several pictures without a word.
    if (images > 1)
        throw IOError(shown_ + " holds " + std::to_string(images) +
                      " PNG images one after another; tonedot reads one image from it.  For a clip, "
                      "write the frames to numbered files and render them with --frames.");
}

bool IsStream(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode));
}

StandardInputFile::~StandardInputFile() = default;

const std::string& StandardInputFile::Path() const { return file_->TempPath(); }

StandardOutputFile::StandardOutputFile(const std::string& format) {
    if (isatty(STDOUT_FILENO) == 1)
        throw UsageError("-o - writes the image to standard output, which is a terminal; "
                         "redirect it to a file or a pipe.");
    file_ = std::make_unique<AtomicFile>(TempFolder() + "/stdout." + format);
}

StandardOutputFile::~StandardOutputFile() = default;

const std::string& StandardOutputFile::Path() const { return file_->TempPath(); }

void StandardOutputFile::Send() const {
    std::fflush(stdout);
    // A reader that has gone away is an output error like any other, not a silent end.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);
    const int fd = open(file_->TempPath().c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t size = 0;
    const int error = fd < 0 ? errno : Copy(fd, STDOUT_FILENO, size);
    if (fd >= 0) close(fd);
    sigaction(SIGPIPE, &previous, nullptr);
    if (error != 0) throw IOError("cannot write the image to standard output: " + std::string(std::strerror(error)) + ".");
}

}  // namespace tonedot::cli
