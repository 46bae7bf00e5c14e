#pragma once

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

// The controls of a window that a screen reader would announce without a name: every visible
// child that takes the focus, every label and group box. Parts of a compound control (the edit
// field of a combo box, the viewport of a list) belong to it and are not counted on their own.
inline QStringList ControlsWithoutAccessibleName(QWidget* window)
{
    auto isPartOfCompound = [window](const QWidget* w) {
        for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QComboBox*>(p) ||
                qobject_cast<const QAbstractSpinBox*>(p))
                return true;
        return false;
    };
    auto isControl = [](const QWidget* w) {
        return (w->focusPolicy() & Qt::TabFocus) || qobject_cast<const QLabel*>(w) ||
               qobject_cast<const QGroupBox*>(w);
    };
    QStringList missing;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !isControl(w) || isPartOfCompound(w))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            missing.append(w->objectName() + u'/' +
                           QString::fromLatin1(w->metaObject()->className()));
    }
    return missing;
}
