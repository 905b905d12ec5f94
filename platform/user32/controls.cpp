// The standard controls: buttons (push, default push, group box), edits and statics (text,
// icon, bitmap).
#include "controls.h"

#include "icon.h"
#include "kernel32_private.h"
#include "unhandled.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cwctype>
#include <map>

namespace user32 {
namespace {

std::wstring Lowercase(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::map<std::wstring, ControlFactory>& Classes() {
    static std::map<std::wstring, ControlFactory> classes;
    return classes;
}

std::wstring TextOf(const ResourceRef& title) { return title.isOrdinal ? std::wstring() : title.name; }

void Place(QWidget* widget, const ControlCreateInfo& info) {
    widget->setGeometry(info.pixels);
    widget->setFont(info.font);
    widget->setFocusPolicy(info.style & WS_TABSTOP ? Qt::StrongFocus : Qt::NoFocus);
    widget->setEnabled(!(info.style & WS_DISABLED));
    widget->setVisible(info.style & WS_VISIBLE);
}

// Push buttons and group boxes: both are the "button" class on the platform.
class ButtonWindow : public Window {
public:
    explicit ButtonWindow(const ControlCreateInfo& info) : Window(makeWidget(info), info.style, info.exStyle, info.id) {
        Place(widget(), info);
        setText(TextOf(info.title));
        if (auto* button = qobject_cast<QPushButton*>(widget())) {
            // Enter on a focused push button presses it, as on the platform; elsewhere the
            // dialog decides which button Enter presses.
            button->setAutoDefault(true);
            button->setDefault(isDefault());
            QObject::connect(button, &QPushButton::clicked, button, [this] { notifyParent(BN_CLICKED); });
        }
    }

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        auto* button = qobject_cast<QPushButton*>(widget());
        switch (message) {
        case WM_GETDLGCODE:
            if (!button) return DLGC_STATIC;
            return DLGC_BUTTON | (isDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case BM_SETSTYLE:
            // Only the push/default push type changes here: the dialog manager moves the
            // default from button to button with it.
            setStyle((style() & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK));
            if (button) button->setDefault(isDefault());
            return 0;
        case BM_CLICK:
            if (button && button->isEnabled()) button->click();
            return 0;
        default:
            return Window::classProc(message, wParam, lParam);
        }
    }

    std::wstring text() const override { return m_text; }
    void setText(const std::wstring& text) override {
        m_text = text;
        if (auto* button = qobject_cast<QPushButton*>(widget())) button->setText(ToQString(text));
        if (auto* group = qobject_cast<QGroupBox*>(widget())) group->setTitle(ControlText(text, false));
    }

private:
    bool isDefault() const { return (style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

    static QWidget* makeWidget(const ControlCreateInfo& info) {
        QWidget* parent = info.parent->clientWidget();
        if ((info.style & BS_TYPEMASK) == BS_GROUPBOX) {
            // A group box frames other controls and takes no clicks: those beneath it get them,
            // as on the platform, where a later group box would otherwise cover its buttons.
            auto* group = new QGroupBox(parent);
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            // The platform draws the title on the frame's top line, not above it.
            group->setStyleSheet(
                QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.55em; }"
                               "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
            return group;
        }
        if ((info.style & BS_TYPEMASK) > BS_DEFPUSHBUTTON) {
            ReportUnhandledMessage("button style", info.style & BS_TYPEMASK);
        }
        return new QPushButton(parent);
    }

    void notifyParent(WORD code) {
        if (parent()) Send(parent(), WM_COMMAND, MAKEWPARAM(id(), code), reinterpret_cast<LPARAM>(handle()));
    }

    std::wstring m_text;
};

class EditWindow : public Window {
public:
    explicit EditWindow(const ControlCreateInfo& info)
        : Window(new QLineEdit(info.parent->clientWidget()), info.style, info.exStyle, info.id) {
        auto* edit = static_cast<QLineEdit*>(widget());
        Place(edit, info);
        edit->setReadOnly(info.style & ES_READONLY);
        edit->setFrame(info.style & WS_BORDER);
        edit->setText(ToQString(TextOf(info.title)));
    }

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_GETDLGCODE) return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        return Window::classProc(message, wParam, lParam);
    }

    std::wstring text() const override {
        auto* edit = qobject_cast<QLineEdit*>(widget());
        return edit ? FromQString(edit->text()) : std::wstring();
    }
    void setText(const std::wstring& text) override {
        if (auto* edit = qobject_cast<QLineEdit*>(widget())) {
            edit->setText(ToQString(text));
            edit->setCursorPosition(0);
            // A read-only box cannot be widened: a text longer than the box shows whole on hover.
            if (edit->isReadOnly()) edit->setToolTip(edit->text());
        }
    }
};

class StaticWindow : public Window {
public:
    explicit StaticWindow(const ControlCreateInfo& info)
        : Window(new QLabel(info.parent->clientWidget()), info.style, info.exStyle, info.id),
          m_noPrefix(info.style & SS_NOPREFIX) {
        auto* label = static_cast<QLabel*>(widget());
        Place(label, info);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        switch (info.style & SS_TYPEMASK) {
        case SS_LEFT:
            label->setWordWrap(true);
            setText(TextOf(info.title));
            break;
        case SS_ICON: {
            // An icon named by a resource the module lacks leaves the control empty.
            HICON icon = LoadIconFromResources(info.instance, titleAsResourceName(info.title));
            QImage image = IconImage(icon);
            if (!image.isNull()) showPicture(label, image, info.pixels.topLeft());
            break;
        }
        case SS_BITMAP: {
            auto dib = DecodeDib(kernel32::ResourceBytes(info.instance, RT_BITMAP, titleAsResourceName(info.title)));
            // Without SS_CENTERIMAGE or SS_REALSIZECONTROL the control takes the picture's size.
            if (dib) showPicture(label, ToQImage(*dib), info.pixels.topLeft());
            break;
        }
        default:
            ReportUnhandledMessage("static style", info.style & SS_TYPEMASK);
            setText(TextOf(info.title));
        }
    }

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_GETDLGCODE) return DLGC_STATIC;
        return Window::classProc(message, wParam, lParam);
    }

    std::wstring text() const override { return m_text; }
    void setText(const std::wstring& text) override {
        m_text = text;
        if (auto* label = qobject_cast<QLabel*>(widget()); label && (style() & SS_TYPEMASK) == SS_LEFT) {
            label->setText(ControlText(text, m_noPrefix));
        }
    }

private:
    LPCWSTR titleAsResourceName(const ResourceRef& title) {
        m_resourceName = title.name;
        return title.isOrdinal ? MAKEINTRESOURCEW(title.ordinal) : m_resourceName.c_str();
    }

    static void showPicture(QLabel* label, const QImage& image, QPoint topLeft) {
        label->setPixmap(QPixmap::fromImage(image));
        label->setGeometry(QRect(topLeft, image.size()));
    }

    bool m_noPrefix;
    std::wstring m_text;
    std::wstring m_resourceName;
};

}  // namespace

QString ControlText(const std::wstring& text, bool noPrefix) {
    if (noPrefix) return ToQString(text);
    // A label shows no mnemonic underline: drop single ampersands, keep doubled ones as one.
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') shown += L'&';
            ++i;
            if (i < text.size() && text[i] != L'&') shown += text[i];
            continue;
        }
        shown += text[i];
    }
    return ToQString(shown);
}

void RegisterControlClass(const std::wstring& className, ControlFactory factory) {
    Classes()[Lowercase(className)] = std::move(factory);
}

HWND CreateControl(const ResourceRef& windowClass, const ControlCreateInfo& info) {
    static const bool builtins = [] {
        RegisterControlClass(L"button", [](const ControlCreateInfo& i) { return std::make_unique<ButtonWindow>(i); });
        RegisterControlClass(L"edit", [](const ControlCreateInfo& i) { return std::make_unique<EditWindow>(i); });
        RegisterControlClass(L"static", [](const ControlCreateInfo& i) { return std::make_unique<StaticWindow>(i); });
        return true;
    }();
    (void)builtins;

    std::wstring name;
    if (windowClass.isOrdinal) {
        switch (windowClass.ordinal) {
        case DLGITEM_BUTTON:
            name = L"button";
            break;
        case DLGITEM_EDIT:
            name = L"edit";
            break;
        case DLGITEM_STATIC:
            name = L"static";
            break;
        default:
            ReportUnhandledMessage("dialog item class atom", windowClass.ordinal);
            return nullptr;
        }
    } else {
        name = Lowercase(windowClass.name);
    }
    auto found = Classes().find(name);
    if (found == Classes().end()) {
        ReportUnhandledMessage(("window class " + ToUtf8(name)).c_str(), 0);
        return nullptr;
    }
    return Window::registerInHandleTable(found->second(info), info.parent);
}

}  // namespace user32
