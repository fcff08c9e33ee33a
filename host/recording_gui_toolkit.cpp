#include "host/recording_gui_toolkit.h"

#include <algorithm>

// What the toolkit shares with its objects, which may outlive it.
struct RecordingGuiToolkit::Shared {
    std::vector<std::shared_ptr<ComponentRecord>> records;
    int32_t releases = 0;
    RecordingGuiToolkit::Conventions conventions;
};

namespace {

using Shared = RecordingGuiToolkit::Shared;

// One window or control, recording every call into its record.
template <class Interface>
class Component : public Interface {
public:
    Component(std::shared_ptr<Shared> shared, std::shared_ptr<ComponentRecord> record)
        : shared(std::move(shared)), record(std::move(record)) {}
    virtual ~Component() = default;

    // RUnknown
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return ++count; }
    int32_t Release() override {
        if (--count > 0) {
            return count;
        }
        record->object = nullptr;
        record->releaseIndex = shared->releases++;
        delete this;
        return 0;
    }

    // TComponent
    void SetText(RString* text) override { record->text = TextOf(text); }
    void SetSize(int32_t width, int32_t height) override {
        record->sized = true;
        record->width = width;
        record->height = height;
    }
    void SetPosition(int32_t x, int32_t y) override {
        record->positioned = true;
        record->x = x;
        record->y = y;
    }
    void SetVisible(int32_t flag) override { record->visible = flag != 0; }
    void SetEnabled(int32_t flag) override { record->enabled = flag != 0; }
    void GetText(RString** out) override {
        *out = nullptr;
        if (!record->text.empty() || !shared->conventions.emptyTextAsNone) {
            *out = HostString::Create(record->text);
        }
    }
    void Reserved9() override {}
    void Reserved10() override {}
    int32_t GetX() override { return record->x; }
    int32_t GetY() override { return record->y; }
    void Reserved13() override {}
    void Reserved14() override {}

protected:
    std::shared_ptr<Shared> shared;
    std::shared_ptr<ComponentRecord> record;

private:
    int32_t count = 1;
};

class Window final : public Component<TWindow> {
public:
    using Component::Component;
    void Reserved15() override {}
    void Reserved16() override {}
    void SetResizable(int32_t flag) override { record->resizable = flag; }
    void Reserved18() override {}
    void SetListener(TWindowListener* listener) override { record->windowListener = listener; }
    void SetClosable(int32_t flag) override { record->closable = flag; }
};

class Label final : public Component<TLabel> {
public:
    using Component::Component;
    void SetTextColor(COLORREF color) override {
        record->colored = true;
        record->textColor = color;
    }
};

class Button final : public Component<TButton> {
public:
    using Component::Component;
    void SetListener(TButtonListener* listener) override { record->buttonListener = listener; }
};

class ComboBox final : public Component<TComboBox> {
public:
    using Component::Component;
    void AddItem(RString* text) override { record->items.push_back(TextOf(text)); }
    void Reserved16() override {}
    void Reserved17() override {}
    void Reserved18() override {}
    void Reserved19() override {}
    int32_t GetSelectedIndex() override { return record->selectedIndex; }
    // Like a Windows list: an index without an item clears the selection.
    // The listener hears only the user's choices.
    void SetSelectedIndex(int32_t index) override {
        const bool exists = index >= 0 && static_cast<size_t>(index) < record->items.size();
        record->selectedIndex = exists ? index : -1;
    }
    void Reserved22() override {}
    void SetListener(TComboBoxListener* listener) override { record->comboBoxListener = listener; }
};

}  // namespace

class RecordingGuiToolkit::Factory final : public TGuiFactory {
public:
    explicit Factory(std::shared_ptr<Shared> shared) : shared(std::move(shared)) {}

    int32_t references = 0;

    // RUnknown: owned by the toolkit; counting only tracks the users.
    int32_t QueryInterface(const GUID*, void**) override { return kENoInterface; }
    int32_t AddRef() override { return ++references; }
    int32_t Release() override { return --references; }

    // TGuiFactory
    void CreateTopLevelWindow(int32_t, TWindow** out) override {
        *out = Create<Window>(ComponentKind::Window, nullptr);
        shared->records.back()->x = shared->conventions.placementX;
        shared->records.back()->y = shared->conventions.placementY;
    }
    void CreateButton(TWindow* parent, TButton** out) override { *out = Create<Button>(ComponentKind::Button, parent); }
    void Reserved5() override {}
    void CreateLabel(TWindow* parent, int32_t, TLabel** out) override {
        *out = Create<Label>(ComponentKind::Label, parent);
    }
    void Reserved7() override {}
    void Reserved8() override {}
    void CreateComboBox(TWindow* parent, TComboBox** out) override {
        *out = Create<ComboBox>(ComponentKind::ComboBox, parent);
    }
    void Reserved10() override {}
    void CreateTextBox(TWindow* parent, TTextBox** out) override {
        *out = Create<Component<TTextBox>>(ComponentKind::TextBox, parent);
    }
    void CreateSeparator(TWindow* parent, TSeparator** out) override {
        *out = Create<Component<TSeparator>>(ComponentKind::Separator, parent);
    }
    void CreatePasswordBox(TWindow* parent, TPasswordBox** out) override {
        *out = Create<Component<TPasswordBox>>(ComponentKind::PasswordBox, parent);
    }
    void CreateNumberBox(TWindow* parent, TNumberBox** out) override {
        *out = Create<Component<TNumberBox>>(ComponentKind::NumberBox, parent);
    }

private:
    template <class Object>
    Object* Create(ComponentKind kind, TWindow* parent) {
        auto record = std::make_shared<ComponentRecord>();
        record->kind = kind;
        record->creationIndex = static_cast<int32_t>(shared->records.size());
        record->parent = FindRecord(parent);
        auto* object = new Object(shared, record);
        record->object = object;
        shared->records.push_back(std::move(record));
        return object;
    }
    const ComponentRecord* FindRecord(TComponent* object) const {
        for (const auto& record : shared->records) {
            if (object != nullptr && record->object == object) {
                return record.get();
            }
        }
        return nullptr;
    }

    std::shared_ptr<Shared> shared;
};

RecordingGuiToolkit::RecordingGuiToolkit()
    : shared(std::make_shared<Shared>()), factory(std::make_unique<Factory>(shared)) {}

RecordingGuiToolkit::~RecordingGuiToolkit() = default;

RecordingGuiToolkit::Conventions& RecordingGuiToolkit::ConventionsInUse() {
    return shared->conventions;
}

const std::vector<std::shared_ptr<ComponentRecord>>& RecordingGuiToolkit::Components() const {
    return shared->records;
}

ComponentRecord* RecordingGuiToolkit::OpenWindow() const {
    for (auto it = shared->records.rbegin(); it != shared->records.rend(); ++it) {
        if ((*it)->kind == ComponentKind::Window && (*it)->Alive()) {
            return it->get();
        }
    }
    return nullptr;
}

std::vector<ComponentRecord*> RecordingGuiToolkit::ControlsOf(const ComponentRecord& window) const {
    std::vector<ComponentRecord*> controls;
    for (const auto& record : shared->records) {
        if (record->parent == &window) {
            controls.push_back(record.get());
        }
    }
    return controls;
}

int32_t RecordingGuiToolkit::LiveComponents() const {
    return static_cast<int32_t>(std::count_if(shared->records.begin(), shared->records.end(),
                                              [](const auto& record) { return record->Alive(); }));
}

int32_t RecordingGuiToolkit::HeldReferences() const {
    return serviceReferences + factory->references;
}

void RecordingGuiToolkit::TypeText(ComponentRecord& box, std::basic_string_view<WChar> text) {
    box.text = text;
}

void RecordingGuiToolkit::PickItem(ComponentRecord& comboBox, int32_t index) {
    comboBox.selectedIndex = index < 0 ? -1 : index;
    if (comboBox.comboBoxListener != nullptr) {
        comboBox.comboBoxListener->OnSelectionChanged(static_cast<TComboBox*>(comboBox.object));
    }
}

void RecordingGuiToolkit::Click(ComponentRecord& button) {
    if (button.enabled && button.buttonListener != nullptr) {
        button.buttonListener->OnButtonClicked(static_cast<TButton*>(button.object));
    }
}

void RecordingGuiToolkit::SendWindowMessage(ComponentRecord& window, int32_t message) {
    if (window.windowListener != nullptr) {
        window.windowListener->OnWindowEvent(static_cast<TWindow*>(window.object), message);
    }
}

int32_t RecordingGuiToolkit::QueryInterface(const GUID*, void**) {
    return kENoInterface;
}

int32_t RecordingGuiToolkit::AddRef() {
    return ++serviceReferences;
}

int32_t RecordingGuiToolkit::Release() {
    return --serviceReferences;
}

int32_t RecordingGuiToolkit::GetFactory(int32_t version, TGuiFactory** out) {
    *out = nullptr;
    if (version != kGuiFactoryVersion) {
        return 0;
    }
    factory->AddRef();
    *out = factory.get();
    return 1;
}
