#include "base/scriptedmessagebox.h"

#include <QPushButton>
#include <QTimer>

namespace {

std::optional<QMessageBox::StandardButton> &nextAnswer()
{
    static std::optional<QMessageBox::StandardButton> answer;
    return answer;
}

std::optional<ScriptedMessageBox::Shown> &shown()
{
    static std::optional<ScriptedMessageBox::Shown> box;
    return box;
}

} // namespace

int ScriptedMessageBox::exec(QMessageBox &box)
{
    if (nextAnswer()) {
        const QMessageBox::StandardButton answer = *nextAnswer();
        nextAnswer().reset();
        QTimer::singleShot(0, &box, [&box, answer] {
            shown() = Shown{box.windowTitle(),
                            box.text(),
                            box.icon(),
                            box.standardButtons(),
                            box.standardButton(box.defaultButton()),
                            box.isModal(),
                            box.parentWidget(),
                            box.textFormat()};
            if (QAbstractButton *button = box.button(answer))
                button->click();
            else
                box.close();
        });
    }
    return box.exec();
}

void ScriptedMessageBox::setNextAnswer(QMessageBox::StandardButton button)
{
    nextAnswer() = button;
}

std::optional<ScriptedMessageBox::Shown> ScriptedMessageBox::lastShown()
{
    return shown();
}

void ScriptedMessageBox::clearLastShown()
{
    shown().reset();
}
