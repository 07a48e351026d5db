#pragma once
// A program around a view, for view tests: a scripted user, the display
// preferences, and counters of what the view asked for.

#include "FakeUi.h"
#include "view/ViewHost.h"

#include <functional>

namespace ardane::test {

class FakeHost final : public ViewHost {
public:
    FakeUi fakeUi;
    DisplayPrefs prefs;
    ColorRef background = 0x808000;
    doc::NoLayeredFormat layered;
    int refreshes = 0;
    std::function<void(int)> onMargin;

    UiServices& ui() override { return fakeUi; }
    DisplayPrefs& displayPrefs() override { return prefs; }
    ColorRef backgroundColor() const override { return background; }
    doc::LayeredFormat& layeredFormat() override { return layered; }
    void refreshStatus() override { ++refreshes; }
    void marginToggled(int delta) override
    {
        if (onMargin)
            onMargin(delta);
    }
    void viewBackgroundChanged() override {}
};

} // namespace ardane::test
