// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "spoken.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QPointer>

namespace {

constexpr char kRole[] = "spokenRole";
constexpr char kLabelledBy[] = "spokenLabelledBy";

class SpokenWidget : public QAccessibleWidget {
public:
    SpokenWidget(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role),
          m_labelledBy(qobject_cast<QWidget*>(widget->property(kLabelledBy).value<QObject*>())) {}

    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override {
        auto found = QAccessibleWidget::relations(match);
        if (m_labelledBy && (match & QAccessible::Label))
            found.append({QAccessible::queryAccessibleInterface(m_labelledBy), QAccessible::Label});
        return found;
    }

private:
    QPointer<QWidget> m_labelledBy;
};

QAccessibleInterface* spokenFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const QVariant role = widget ? widget->property(kRole) : QVariant();
    return role.isValid() ? new SpokenWidget(widget, role.value<QAccessible::Role>()) : nullptr;
}

}  // namespace

void giveSpokenRoles(QLabel* speech, QWidget* menu, QWidget* notice) {
    static const bool installed = (QAccessible::installFactory(spokenFactory), true);
    Q_UNUSED(installed);
    speech->setProperty(kRole, QVariant::fromValue(QAccessible::Button));
    menu->setProperty(kRole, QVariant::fromValue(QAccessible::Grouping));
    menu->setProperty(kLabelledBy, QVariant::fromValue<QObject*>(speech));
    notice->setProperty(kRole, QVariant::fromValue(QAccessible::Notification));
}
