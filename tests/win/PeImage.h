// A small reader for 64-bit Windows PE images (DLL or EXE), enough to check what a built
// .aex offers the host: the machine and kind, the exported names, the DLLs it imports and
// its resource tree.  It works on the file's bytes alone, with no help from Windows, so it
// checks the file independently of the loader.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace PeCheck {

// One leaf of the resource tree.  Names and types are either numbers or strings; a
// string name keeps the number 0 and the text in `typeName` / `name`.
struct Resource {
    uint32_t type = 0;
    std::string typeName;
    uint32_t id = 0;
    std::string name;
    uint32_t language = 0;
    std::vector<uint8_t> data;
};

class PeImage {
public:
    // Parses the image; throws std::runtime_error with a reason when the bytes are not a
    // well-formed 64-bit PE image (every offset is range-checked).
    explicit PeImage(std::vector<uint8_t> bytes);
    static PeImage FromFile(const std::string& path);

    uint16_t Machine() const { return machine_; }
    uint16_t Characteristics() const { return characteristics_; }
    uint16_t Subsystem() const { return subsystem_; }
    const std::vector<std::string>& Exports() const { return exports_; }
    const std::vector<std::string>& ImportedDlls() const { return importedDlls_; }
    const std::vector<Resource>& Resources() const { return resources_; }

    // The resource with a numeric type and id; null when absent.
    const Resource* FindEntry(uint32_t type, uint32_t id) const;
    // The resource with a string type (any case) and a numeric id; null when absent.
    const Resource* FindEntry(const std::string& type, uint32_t id) const;

private:
    struct Section {
        uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
    };

    size_t Offset(uint32_t rva, size_t length) const;  // file offset of an RVA range
    uint16_t U16(size_t at) const;
    uint32_t U32(size_t at) const;
    std::string CString(uint32_t rva) const;
    std::string ResourceString(size_t at) const;  // UTF-16 counted string, ASCII only
    void ReadExports(uint32_t rva);
    void ReadImports(uint32_t rva);
    void ReadResources(uint32_t rva);

    std::vector<uint8_t> bytes_;
    std::vector<Section> sections_;
    uint16_t machine_ = 0, characteristics_ = 0, subsystem_ = 0;
    std::vector<std::string> exports_, importedDlls_;
    std::vector<Resource> resources_;
};

}  // namespace PeCheck
