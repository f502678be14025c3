#include "ProgramApplication.h"

#include "app/MainTextKeys.h"
#include "foundation/UiStringTable.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

namespace app {

ProgramApplication::ProgramApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ProgramApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowEscapedException(std::current_exception());
        return false;
    }
}

void ShowEscapedException(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& known) {
        text = QString::fromLocal8Bit(known.what());
    } catch (...) {
    }
    if (text.isEmpty()) {
        text = UiText(key::UnknowError);
    }
    platform::DebugOutput::Write(QStringLiteral("Exception: ") + text);
    platform::MessageBox::Show(nullptr, text, QCoreApplication::applicationName(),
                               platform::MB_OK | platform::MB_ICONHAND);
}

}  // namespace app
