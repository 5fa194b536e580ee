#pragma once
// Screens opened by name from the menu ("F" entries). Each screen library
// registers a factory; the main screen creates a new instance per opening
// and shows it modally.

#include "store/WorkLock.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;
class Dialogs;

namespace ScreenRegistry {

using Factory = std::function<QDialog *(QWidget *parent, Dialogs &dialogs)>;

void add(const QString &name, Factory factory);
bool contains(const QString &name);
// A new instance of screen `name`, or nullptr when no screen has that name.
QDialog *create(const QString &name, QWidget *parent, Dialogs &dialogs);
QStringList names();

// Shows a screen made by `create` modally over the window that opened it,
// deletes it when it closes, and gives the keyboard back to that window;
// the screen's result.
int exec(QDialog *screen);

// The work a screen holds while it is open (the billing desk), if any.
std::optional<WorkLock::Work> workOf(const QString &name);

// Screens of the system that this build does not have yet: the menu may
// name them, and the operator is told they are not available yet.
bool isPlanned(const QString &name);

} // namespace ScreenRegistry
