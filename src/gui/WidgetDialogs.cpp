#include "gui/WidgetDialogs.h"

#include <QAbstractButton>
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

struct ButtonPair {
    QMessageBox::StandardButton ok;
    QMessageBox::StandardButton cancel;
};

ButtonPair buttonsOf(Dialogs::Buttons buttons)
{
    switch (buttons) {
    case Dialogs::Buttons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case Dialogs::Buttons::OkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case Dialogs::Buttons::Ok:
        break;
    }
    return {QMessageBox::Ok, QMessageBox::NoButton};
}

} // namespace

WidgetDialogs::~WidgetDialogs()
{
    delete m_box.data();
}

void WidgetDialogs::show(const Question &question)
{
    const ButtonPair pair = buttonsOf(question.buttons);
    QWidget *parent = m_parent ? m_parent.data() : QApplication::activeWindow();
    auto *box = new QMessageBox(toIcon(question.icon), question.title, question.text,
                                pair.ok | pair.cancel, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(question.defaultAnswer == Answer::Ok || pair.cancel == QMessageBox::NoButton
                              ? pair.ok
                              : pair.cancel);
    m_box = box;
    QObject::connect(box, &QDialog::finished, box, [this, box, pair] {
        if (m_box != box)
            return; // withdrawn
        m_box.clear();
        QAbstractButton *clicked = box->clickedButton();
        const bool ok = pair.cancel == QMessageBox::NoButton || (clicked && box->standardButton(clicked) == pair.ok);
        answer(ok ? Answer::Ok : Answer::Cancel);
    });
    box->open();
}

void WidgetDialogs::withdraw()
{
    if (QMessageBox *box = m_box.data()) {
        m_box.clear();
        box->close();
    }
}

} // namespace korvane
