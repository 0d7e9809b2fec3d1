#pragma once

#include "PostHost.h"

class QCheckBox;
class QLabel;

namespace corvanth {

// The window as the host of a search: the alias check boxes, lblMatches and the event loop.
class WindowPostHost : public PostHost {
public:
    WindowPostHost(QCheckBox& aliases, QCheckBox& broad, QLabel& matches)
        : aliases_(aliases), broad_(broad), matches_(matches) {}

    bool aliasesTicked() const override;
    bool aliasesEnabled() const override;
    bool broadTicked() const override;
    void pumpEvents() override;
    void setMatches(std::size_t count) override;

private:
    QCheckBox& aliases_;
    QCheckBox& broad_;
    QLabel& matches_;
};

} // namespace corvanth
