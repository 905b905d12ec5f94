#include "live_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace testing_support {
namespace {

// What the user reads: "&Defaults" is "Defaults", "Picture size:" is "Picture size".
QString Readable(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    return text;
}

// The field of the form row whose label reads `name`, if any.
QWidget* FormField(const QFormLayout& form, const QString& name) {
    for (int row = 0; row < form.rowCount(); ++row) {
        QLayoutItem* label = form.itemAt(row, QFormLayout::LabelRole);
        QLayoutItem* field = form.itemAt(row, QFormLayout::FieldRole);
        auto* text = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
        if (text && field && field->widget() && Readable(text->text()) == name) return field->widget();
    }
    return nullptr;
}

std::string Narrow(const QString& text) { return text.toStdString(); }

}  // namespace

QString LiveDialog::title() const { return m_dialog.windowTitle(); }

bool LiveDialog::isOpen() const { return m_dialog.isVisible(); }

QWidget* LiveDialog::find(const QString& name) const {
    QList<QWidget*> found;
    for (QFormLayout* form : m_dialog.findChildren<QFormLayout*>()) {
        if (QWidget* field = FormField(*form, name)) found.append(field);
    }
    for (QAbstractButton* button : m_dialog.findChildren<QAbstractButton*>()) {
        if (Readable(button->text()) == name) found.append(button);
    }
    if (found.isEmpty()) found = m_dialog.findChildren<QWidget*>(name);
    if (found.size() != 1) {
        ADD_FAILURE() << "\"" << Narrow(title()) << "\" has " << found.size() << " controls named \"" << Narrow(name)
                      << "\"";
        return nullptr;
    }
    return found.front();
}

QWidget* LiveDialog::findTyped(const QString& name, const QMetaObject& type) const {
    QWidget* control = find(name);
    if (!control) return nullptr;
    if (type.cast(control)) return control;
    for (QWidget* inner : control->findChildren<QWidget*>()) {
        if (type.cast(inner)) return inner;
    }
    ADD_FAILURE() << "\"" << Narrow(name) << "\" in \"" << Narrow(title()) << "\" is no " << type.className();
    return nullptr;
}

void LiveDialog::setValue(const QString& name, int value) {
    QWidget* control = find(name);
    if (!control) return;
    auto* slider = qobject_cast<QSlider*>(control) ? qobject_cast<QSlider*>(control) : control->findChild<QSlider*>();
    auto* spin = qobject_cast<QSpinBox*>(control) ? qobject_cast<QSpinBox*>(control) : control->findChild<QSpinBox*>();
    // A row with both moves with the slider, as when the user drags it.
    if (slider) {
        slider->setValue(value);
    } else if (spin) {
        spin->setValue(value);
    } else {
        ADD_FAILURE() << "\"" << Narrow(name) << "\" has no slider or spin box";
    }
}

void LiveDialog::choose(const QString& name, const QString& item) {
    auto* list = find<QComboBox>(name);
    if (!list) return;
    const int index = list->findText(item);
    if (index < 0) {
        ADD_FAILURE() << "\"" << Narrow(name) << "\" offers no \"" << Narrow(item) << "\"";
        return;
    }
    list->setCurrentIndex(index);
    // What a pick by the user sends besides the change of index.
    emit list->activated(index);
    emit list->textActivated(item);
}

void LiveDialog::check(const QString& name, bool on) {
    auto* box = find<QAbstractButton>(name);
    if (!box) return;
    EXPECT_TRUE(box->isCheckable()) << Narrow(name);
    if (box->isChecked() != on) box->click();
}

void LiveDialog::press(const QString& button) {
    auto* pressed = find<QAbstractButton>(button);
    if (!pressed) return;
    EXPECT_TRUE(pressed->isEnabled()) << "\"" << Narrow(button) << "\" is disabled";
    pressed->click();
}

QString LiveDialog::text(const QString& name) const {
    QWidget* control = find(name);
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentText();
    if (auto* spin = qobject_cast<QSpinBox*>(control)) return spin->text();
    if (auto* spin = control ? control->findChild<QSpinBox*>() : nullptr) return spin->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    return QString();
}

bool LiveDialog::shows(const QString& fragment) const {
    for (QLabel* label : m_dialog.findChildren<QLabel*>()) {
        if (label->text().contains(fragment)) return true;
    }
    return false;
}

}  // namespace testing_support
