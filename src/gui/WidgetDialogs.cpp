#include "gui/WidgetDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace korvane {

namespace {

QMessageBox::Icon toIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Error:
        return QMessageBox::Critical;
    case Dialogs::Icon::None:
        return QMessageBox::NoIcon;
    case Dialogs::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

Dialogs::Answer WidgetDialogs::question(const QString &title, const QString &text, Icon icon,
                                        Answer defaultAnswer)
{
    QMessageBox box(toIcon(icon), title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(defaultAnswer == Answer::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

Dialogs::Answer WidgetDialogs::yesNo(const QString &title, const QString &text, Icon icon, Answer defaultAnswer)
{
    QMessageBox box(toIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(defaultAnswer == Answer::Ok ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Ok : Answer::Cancel;
}

void WidgetDialogs::message(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(toIcon(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace korvane
