#include "host/app/window_snapshot.h"

namespace {

ControlPicture::Kind PictureKind(ComponentKind kind) {
    switch (kind) {
    case ComponentKind::Button:
        return ControlPicture::Button;
    case ComponentKind::ComboBox:
        return ControlPicture::ComboBox;
    case ComponentKind::TextBox:
        return ControlPicture::TextBox;
    case ComponentKind::Separator:
        return ControlPicture::Separator;
    case ComponentKind::PasswordBox:
        return ControlPicture::PasswordBox;
    case ComponentKind::NumberBox:
        return ControlPicture::NumberBox;
    case ComponentKind::Label:
    case ComponentKind::Window:
        break;
    }
    return ControlPicture::Label;
}

}  // namespace

WindowPicture SnapshotOf(const RecordingGuiToolkit& toolkit, const ComponentRecord& window) {
    WindowPicture picture;
    picture.width = window.width;
    picture.height = window.height;
    for (const ComponentRecord* control : toolkit.ControlsOf(window)) {
        if (!control->Alive() || control->kind == ComponentKind::Window) {
            continue;
        }
        ControlPicture shown;
        shown.kind = PictureKind(control->kind);
        shown.x = control->x;
        shown.y = control->y;
        // Labels and buttons fit their text; a height of 0 asks for the standard one.
        if (control->sized) {
            shown.width = control->width;
            shown.height = control->height;
        }
        shown.text = control->text;
        shown.enabled = control->enabled;
        shown.items.assign(control->items.begin(), control->items.end());
        shown.selectedIndex = control->selectedIndex;
        if (control->colored) {
            shown.textColor = control->textColor;
        }
        picture.controls.push_back(std::move(shown));
    }
    return picture;
}
