#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class AdView;
class QWidget;

// Freezes the ad page while nobody can see it: its window minimised, not shown on screen or hidden
// behind others, or not the active window for a while. The page runs again as soon as the window
// is seen or used.
class AdVisibility : public QObject {
public:
    static constexpr std::chrono::milliseconds InactiveGrace{60000};
    // X tells no window that it is covered; an inactive one looks now and then.
    static constexpr std::chrono::milliseconds CoverCheck{2000};

    // Lives as a child of the view's widget, which owns the AdView.
    AdVisibility(QWidget *window, AdView *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QWidget *m_window;
    AdView *m_view;
    QTimer m_inactive;
    QTimer m_coverCheck;
    bool m_watchingSurface = false;
};
