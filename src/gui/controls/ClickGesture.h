#pragma once

class QMouseEvent;
class QRect;

// A left-button click as the launcher's clickable pictures and texts take it: pressed on the control
// and released inside it. Other buttons are left to the parent.
class ClickGesture {
public:
    void press(QMouseEvent *event);
    // True when this release completes a click on a control covering `area`.
    [[nodiscard]] bool release(QMouseEvent *event, const QRect &area);

private:
    bool m_pressed = false;
};
