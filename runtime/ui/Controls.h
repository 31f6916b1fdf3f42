#pragma once

// Controls are addressed by their equates: every control of a window carries its equate
// ("?GLOBYEAR", "?BROWSE:1", "?OK") as its objectName, so that the window's code, its tests and
// a reader of the window description all use one name. Menu entries (QAction) are addressed the
// same way.
//
// createControl() makes a control with its equate set; nameControl() names one made elsewhere
// (by a layout or a form); findControl() finds a control of a window by equate, among all its
// descendants. An equate begins with "?"; a window holds each equate once (checked in debug
// builds). findControl() answers nullptr for a missing control or one of another type.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <utility>

namespace zemor::runtime::ui {

inline bool isEquate(QStringView name)
{
    return name.size() > 1 && name.front() == u'?';
}

template <class T> T *nameControl(T *control, const QString &equate)
{
    Q_ASSERT_X(isEquate(equate), "nameControl", "an equate begins with '?'");
    control->setObjectName(equate);
    return control;
}

// new T(args..., parent) with its objectName set to `equate`.
template <class T, class Parent, class... Args>
T *createControl(Parent *parent, const QString &equate, Args &&...args)
{
    Q_ASSERT_X(!parent || parent->template findChildren<QObject *>(equate).isEmpty(),
               "createControl", "the window has this equate already");
    return nameControl(new T(std::forward<Args>(args)..., parent), equate);
}

template <class T> T *findControl(const QObject *window, QStringView equate)
{
    if (!window)
        return nullptr;
    const QString name = equate.toString();
    Q_ASSERT_X(window->findChildren<QObject *>(name).size() <= 1, "findControl",
               "the window holds this equate more than once");
    return window->findChild<T *>(name);
}

} // namespace zemor::runtime::ui
