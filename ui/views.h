#pragma once
// The six pages the mode tabs switch between: the five music views and the option page.
#include "ui/flow_views.h"
#include "ui/keyboard_views.h"
#include "ui/main_screen.h"
#include "ui/option_page.h"

namespace quorva {

struct ScreenPages {
    explicit ScreenPages(MainScreen& screen)
        : full(screen), half(screen), flow7(screen, false), flow12(screen, true), drum(screen), options(screen)
    {
    }
    ScreenPages(const ScreenPages&) = delete;
    ScreenPages& operator=(const ScreenPages&) = delete;

    // Gives each page its mode (1 KB.FULL ... 6 OPTION); before the screen is built.
    void registerWith(MainScreen& screen)
    {
        screen.registerPage(1, full);
        screen.registerPage(2, half);
        screen.registerPage(3, flow7);
        screen.registerPage(4, flow12);
        screen.registerPage(5, drum);
        screen.registerPage(6, options);
    }

    KeyboardFullView full;
    KeyboardHalfView half;
    KeyboardFlowView flow7;
    KeyboardFlowView flow12;
    DrumFlowView drum;
    OptionPage options;
};

}  // namespace quorva
