#pragma once

namespace corvanth {

// Asked by a long walk each time it hands control to its host: the window answers from its closing
// and its Cancel button, the command line never stops one.
class StopRequest {
public:
    virtual ~StopRequest() = default;
    virtual bool stopRequested() const = 0;
};

} // namespace corvanth
