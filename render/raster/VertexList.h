// The closed outline a shape builder hands to the filler.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Render {

struct OutlineVertex {
    double x;           // model coordinates, written by the shape builders
    double y;
    double X;           // layer coordinates (later sample coordinates), owned by the filler
    double Y;
    int32_t row;        // scratch of the filler
    bool repeated;      // consecutive copies of this point were dropped after it
};

class VertexList {
public:
    VertexList() { vertices_.reserve(100); }

    void Clear() { vertices_.clear(); }
    // Built in place: a whole-struct temporary would be stored in pieces and read back
    // whole, which stalls on every point.
    void AddVertex(double x, double y) {
        OutlineVertex& v = vertices_.emplace_back();
        v.x = x;
        v.y = y;
    }
    // Marks the last vertex as standing for itself and copies of it that followed it.
    void MarkLastRepeated() { vertices_.back().repeated = true; }
    void MarkRepeated(size_t i) { vertices_[i].repeated = true; }
    void RemoveLast() { vertices_.pop_back(); }

    size_t size() const { return vertices_.size(); }
    bool empty() const { return vertices_.empty(); }
    OutlineVertex* data() { return vertices_.data(); }
    const OutlineVertex* data() const { return vertices_.data(); }
    OutlineVertex& operator[](size_t i) { return vertices_[i]; }
    const OutlineVertex& operator[](size_t i) const { return vertices_[i]; }
    const OutlineVertex& back() const { return vertices_.back(); }

private:
    std::vector<OutlineVertex> vertices_;
};

}  // namespace Render
