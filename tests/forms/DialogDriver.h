#pragma once

#include <QString>
#include <QWidget>

#include <functional>

#include <gtest/gtest.h>

// Helpers for driving dialogs in widget tests.

// Runs action on the modal widget that a following exec() shows (a dialog
// or message box), from inside its event loop. The action must close it.
void WhenModal(const std::function<void(QWidget *)> &action);

// Shows a top-level widget and waits until it is the active window, so that
// focus and keyboard input behave as on a desktop. False on a time-out.
bool ShowActive(QWidget *window);

// The child named name of the given type; fails the test when it is missing.
template <typename T>
T *Child(const QWidget *parent, const char *name)
{
    T *child = parent->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "no child " << name;
    return child;
}
