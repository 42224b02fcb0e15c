#include "gui/app/MainForm.h"

#include "gui/controls/MouseDownRelay.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

TMainForm::TMainForm(MainFormDependencies dependencies, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , Library(dependencies.workingFolder)
    , m_deps(std::move(dependencies)) {
    setObjectName(QStringLiteral("MainForm"));
    m_dragSurfaces = new MouseDownRelay([this](QWidget *) { StatusPanelMouseDown(); }, this);
    BuildComponents();
    ConnectHandlers();
}

TMainForm::~TMainForm() = default;

QString TMainForm::WorkingPath(QStringView relative) const {
    return QDir(m_deps.workingFolder).filePath(relative.toString());
}

QString TMainForm::ProgramPath(QStringView relative) const {
    const QString &folder = m_deps.programFolder.isEmpty() ? m_deps.workingFolder : m_deps.programFolder;
    return QDir(folder).filePath(relative.toString());
}

void TMainForm::ShowException(const QString &message) {
    ShowMessage(QMessageBox::Critical, message);
}

QMessageBox::StandardButton TMainForm::ShowMessage(QMessageBox::Icon icon, const QString &text,
                                                   QMessageBox::StandardButtons buttons) {
    if (!m_deps.messageBox)
        return QMessageBox::NoButton;
    return m_deps.messageBox(this, icon, QStringLiteral("Quillbarrow"), text, buttons);
}

void TMainForm::closeEvent(QCloseEvent *event) {
    // The window never closes on request; a request (the window manager's close, Alt+F4 under one)
    // leaves through the exit sequence instead.
    event->ignore();
    BtnExitClick();
}

void TMainForm::keyPressEvent(QKeyEvent *event) {
    FormKeyDown(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void TMainForm::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

void TMainForm::showEvent(QShowEvent *event) {
    if (!m_centred) {
        // Centred on the screen when first shown; afterwards only the player moves it.
        m_centred = true;
        if (const QScreen *screen = this->screen())
            move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(event);
}

void TMainForm::BtnMinimizeClick() {
    PlayClick();
    setWindowState(windowState() | Qt::WindowMinimized);
}
