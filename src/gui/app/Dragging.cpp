// Moving the borderless window: a mouse-down on a background surface starts a drag, and the engine
// tick lets the window follow the pointer until the left button is up.
#include "gui/app/MainForm.h"

void TMainForm::StatusPanelMouseDown() {
    const std::optional<PointerState> pointer = m_deps.pointer ? m_deps.pointer() : std::nullopt;
    if (!pointer)
        return;
    DragOffsetX = pointer->position.x() - x();
    DragOffsetY = pointer->position.y() - y();
    DragActive = true;
}
