// The timer and the image.
#pragma once

#include "gui/Controls.h"
#include "gui/HiddenWindow.h"

#include <memory>

namespace gui {

// Fires OnTimer every Interval milliseconds while Enabled, on a window timer of its own hidden
// window; runs only when Interval is not 0 and OnTimer is assigned.
class TTimer : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::int64_t Interval() const { return interval_; }
    void SetInterval(std::int64_t interval);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    // Whether a platform timer is running now.
    bool Running() const { return running_; }
    void Loaded() override;

private:
    void UpdateTimer();

    bool enabled_ = true;
    std::int64_t interval_ = 1000;
    TNotifyEvent onTimer_;
    bool running_ = false;
    std::unique_ptr<THiddenWindow> window_;
};

// Shows a picture (an icon or a bitmap).
class TImage : public TControl {
    GUI_CLASS_INFO
public:
    explicit TImage(TComponent* owner);
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* picture) { picture_->Assign(*picture); }
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

private:
    std::unique_ptr<TPicture> picture_;
    bool center_ = false;
    bool stretch_ = false;
};

} // namespace gui
