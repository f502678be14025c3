#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <functional>

// The two fixed ways the program reports failures: one exception log line on the
// debug output for a failure caught inside a function, and an error box with a
// system error code for what the user must hear about.

// Writes the exception log line (foundation::FormatExceptionLogLine) of a failure
// caught inside `function`.
void ExceptionLogLine(const char* file, const char* function, int line,
                      const std::exception& error);

// Writes the exception log line of the catch site it stands in.
#define EXCEPTION_LOG_LINE(function, error) ExceptionLogLine(__FILE__, function, __LINE__, error)

// The system's text for an error code, or a null text when it has none.
QString GetSystemErrorText(std::uint32_t code);

// Modal boxes without owner, caption "Error", stop icon, OK. From a worker thread
// the box is queued to the GUI thread and the worker goes on.
void ShowErrorBox(std::int32_t code, const QString& context);
void ShowErrorCode(std::int32_t code);
// The same box for a worker whose next step must follow it: the worker waits
// until the box is closed or `stopRequested` turns true.
void ShowErrorBox(std::int32_t code, const QString& context,
                  const std::function<bool()>& stopRequested);

namespace foundation {

// " File:%s ;Function:%s \n Line:%d ;Exception:%s ", each field and the whole line
// cut to 255 characters. `file` may carry a folder; only its name is used.
QString FormatExceptionLogLine(const char* file, const char* function, int line, const char* what);

// The texts of the two error boxes, cut to 1023 characters.
QString FormatErrorBoxText(std::int32_t code, const QString& context);
QString FormatErrorCodeText(std::int32_t code);

}  // namespace foundation
