#include "ui/main_screen.h"

#include "app/fps_timer.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "gfx/drawers.h"
#include "song/channel_monitor.h"
#include "song/sequencer.h"

#include <algorithm>

namespace quorva {

MainScreen::MainScreen(const ScreenContext& context) : context_(context) {}

void MainScreen::registerPage(uint8_t mode, View& page)
{
    if (mode >= 1 && mode <= pageCount) {
        pages_[mode - 1] = &page;
    }
}

void MainScreen::cutSprites() { sprites_.cut(context_.skin); }

void MainScreen::build()
{
    for (View* page : pages_) {
        if (page != nullptr) {
            page->prepare();
        }
    }
    for (int channel = 0; channel < ChannelMonitor::channelCount; ++channel) {
        channelButtons_[channel].init(context_, channel, updateList_, drawList_);
        channelButtons_[channel].selectFor(2);
    }
    controls_.buildTabsAndKnobs(*this);
    controls_.setMuteKnob(context_.settings.live().muteLevelIndex);
    controls_.buildTransport(*this);
    setMode(1);
    panelSprites_.cut(context_.skin);
    keyboardScrollBar_.init(context_, 212, 56, 105, 420, 420, 840, context_.surface, nullptr, nullptr);
}

void MainScreen::update()
{
    MainWindow& window = context_.window;
    // Extras that are there take the pending files themselves (all of them).
    if (extras_ == nullptr && window.filePending()) {
        context_.sequencer.loadAndPlay(window.pendingPath());
    }
    const bool mouseTaken = extras_ != nullptr && extras_->update();
    takePlayerSnapshot();
    progressSeek_.update(context_);
    context_.monitor.updateFlowScale(context_.fpsTimer.frameFactorF());
    if (mouseTaken) {
        return;
    }
    updateList_.walk();
    updateHook_.call();
}

void MainScreen::takePlayerSnapshot()
{
    const Sequencer& sequencer = context_.sequencer;
    player_.playing = sequencer.playing();
    player_.readout = sequencer.readout();
    const double position = player_.readout.position;
    player_.position = player_.playing && position > 0 ? static_cast<uint32_t>(std::min(position, 4294967295.0)) : 0;
}

void MainScreen::draw()
{
    // One copy a frame, for the channel rows' meters and the page's notes.
    notes_.take(context_.sequencer);
    drawPlaybackPanel();
    drawChannelPanel();
    drawList_.walk();
    drawHook_.call();
    if (extras_ != nullptr) {
        extras_->draw();
    }
}

void MainScreen::setMode(uint8_t mode)
{
    if (mode == mode_) {
        return;
    }
    mode_ = mode;
    if (mode >= 1 && mode <= pageCount) {
        if (currentView_ != nullptr) {
            currentView_->deactivate();
        }
        View* page = pages_[mode - 1] != nullptr ? pages_[mode - 1] : &panelPage_;
        page->activate();
        currentView_ = page;
    }
    for (ChannelButton& button : channelButtons_) {
        button.selectFor(mode);
    }
}

void MainScreen::PanelPage::activate()
{
    screen_.updateHook().clear();
    screen_.drawHook().bind<PanelPage, &PanelPage::draw>(*this);
}

void MainScreen::PanelPage::draw()
{
    screen_.context().panelDrawer.drawPanel(headerRect.left, headerRect.top, viewRect.right, viewRect.bottom);
}

}  // namespace quorva
