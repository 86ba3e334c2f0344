// The host's side of the outline suite (AEUtil/OutlineSuite.h): while a request is open
// for an instance, its render calls hand their shapes' outlines to the request's receiver
// instead of drawing them.
#pragma once
#include <functional>
#include <mutex>

#include "AEUtil/HostApi.h"

namespace tonedot {

class Host;
class Instance;
struct OutlineState;

// One outline: its points (x, y pairs) and colour (red, green, blue, opacity from 0 to 1).
using OutlineReceiver = std::function<void(const double* points, A_long count, const double* rgba)>;

// Serves the suite from the host's suite broker.
void InstallOutlineSuite(Host& host);

// While it lives, the instance's render calls give their outlines to `receiver`.
class OutlineRequest {
public:
    OutlineRequest(Instance& instance, OutlineReceiver receiver);
    ~OutlineRequest();
    OutlineRequest(const OutlineRequest&) = delete;
    OutlineRequest& operator=(const OutlineRequest&) = delete;

    // Outlines received so far.
    long Count() const { return count_; }
    // True once the effect asked whether outlines are wanted: it knows the suite.
    bool Asked() const { return asked_; }

private:
    friend struct OutlineState;
    Instance& instance_;
    OutlineReceiver receiver_;
    long count_ = 0;
    bool asked_ = false;
};

}  // namespace tonedot
