#include "ErrorReport.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "platform/SystemError.h"

#include <cstring>

namespace {

constexpr qsizetype kLogFieldLimit = 255;
constexpr qsizetype kBoxTextLimit = 1023;

QString NarrowField(const char* text) {
    return QString::fromLocal8Bit(text != nullptr ? text : "").left(kLogFieldLimit);
}

const char* BaseName(const char* path) {
    if (path == nullptr) {
        return "";
    }
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

}  // namespace

QString foundation::FormatExceptionLogLine(const char* file, const char* function, int line,
                                           const char* what) {
    const QString text = QStringLiteral(" File:%1 ;Function:%2 \n Line:%3 ;Exception:%4 ")
                             .arg(NarrowField(BaseName(file)), NarrowField(function),
                                  QString::number(line), NarrowField(what));
    return text.left(kLogFieldLimit);
}

void ExceptionLogLine(const char* file, const char* function, int line,
                      const std::exception& error) {
    platform::DebugOutput::Write(
        foundation::FormatExceptionLogLine(file, function, line, error.what()));
}

QString GetSystemErrorText(std::uint32_t code) {
    const QString text = platform::SystemErrorText(code);
    return text.isEmpty() ? QString() : text.left(kBoxTextLimit);
}

QString foundation::FormatErrorBoxText(std::int32_t code, const QString& context) {
    const QString system = GetSystemErrorText(static_cast<std::uint32_t>(code));
    // One pass of arg, so a '%' in the context or the system text stays as it is.
    const QString number = QString::number(code);
    const QString text =
        system.isNull() ? QStringLiteral(" %1 \n Error:%2 \n \n").arg(context, number)
                        : QStringLiteral(" %1 \n Error:%2 \n \n %3").arg(context, number, system);
    return text.left(kBoxTextLimit);
}

QString foundation::FormatErrorCodeText(std::int32_t code) {
    const QString system = GetSystemErrorText(static_cast<std::uint32_t>(code));
    const QString number = QString::number(code);
    const QString text = system.isNull() ? QStringLiteral(" Error:%1 \n \n").arg(number)
                                         : QStringLiteral(" Error:%1 \n \n %2").arg(number, system);
    return text.left(kBoxTextLimit);
}

void ShowErrorBox(std::int32_t code, const QString& context) {
    platform::MessageBox::Show(nullptr, foundation::FormatErrorBoxText(code, context),
                               QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
}

void ShowErrorBox(std::int32_t code, const QString& context,
                  const std::function<bool()>& stopRequested) {
    platform::MessageBox::ShowAndWait(foundation::FormatErrorBoxText(code, context),
                                      QStringLiteral("Error"),
                                      platform::MB_OK | platform::MB_ICONHAND, stopRequested);
}

void ShowErrorCode(std::int32_t code) {
    platform::MessageBox::Show(nullptr, foundation::FormatErrorCodeText(code),
                               QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
}
