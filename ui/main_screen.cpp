#include "ui/main_screen.h"

namespace quorva {

MainScreen::MainScreen(const ScreenContext& context) : context_(context) {}

void MainScreen::registerPage(uint8_t mode, View& page)
{
    if (mode >= 1 && mode <= pageCount) {
        pages_[mode - 1] = &page;
    }
}

void MainScreen::cutSprites() {}
void MainScreen::build() {}
void MainScreen::update() {}
void MainScreen::draw() {}
void MainScreen::setMode(uint8_t mode) { mode_ = mode; }
void MainScreen::PanelPage::activate() {}
void MainScreen::PanelPage::draw() {}

}  // namespace quorva
