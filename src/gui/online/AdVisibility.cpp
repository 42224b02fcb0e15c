#include "gui/online/AdVisibility.h"

#include "gui/online/AdView.h"
#include "platform/WindowCover.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

AdVisibility::AdVisibility(QWidget *window, AdView *view)
    : QObject(view->widget())
    , m_window(window)
    , m_view(view) {
    m_inactive.setSingleShot(true);
    m_inactive.setInterval(InactiveGrace);
    connect(&m_inactive, &QTimer::timeout, this, &AdVisibility::update);
    m_coverCheck.setInterval(CoverCheck);
    connect(&m_coverCheck, &QTimer::timeout, this, &AdVisibility::update);
    m_window->installEventFilter(this);
    if (!m_window->isActiveWindow()) {
        m_inactive.start();
        m_coverCheck.start();
    }
    update();
}

bool AdVisibility::eventFilter(QObject *, QEvent *event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (m_window->isActiveWindow()) {
            m_inactive.stop();
            m_coverCheck.stop();
        } else {
            m_inactive.start();
            m_coverCheck.start();
        }
        update();
        break;
    case QEvent::WindowStateChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Expose:
        update();
        break;
    default:
        break;
    }
    return false;
}

void AdVisibility::update() {
    // The native window comes with the first show; its exposure says whether any of it is on screen.
    const QWindow *surface = m_window->windowHandle();
    if (surface && !m_watchingSurface) {
        m_watchingSurface = true;
        m_window->windowHandle()->installEventFilter(this);
    }
    const bool unseen =
        !m_window->isVisible() || m_window->isMinimized() || (surface && !surface->isExposed());
    const bool active = m_window->isActiveWindow();
    const bool unused = !active && !m_inactive.isActive();
    const bool covered = !active && !unseen && !unused && windowCovered(m_window->winId());
    m_view->setFrozen(unseen || unused || covered);
}
