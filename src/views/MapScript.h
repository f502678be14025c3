#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace views {

// One call of a page function; every argument is a number.
struct ScriptCall {
    QString function;
    std::vector<double> args;
};

// How a run of calls ended.
enum class ScriptOutcome {
    ReturnedTrue,   // every call ran and the last returned true
    ReturnedOther,  // every call ran and the last returned something else
    Threw,          // a call threw (a missing function among others); later ones were not made
    Lost,           // the page went away before it answered
};

// The page's script as the map bridge sees it. Calls run in the order they are
// given, after the calls given before; answers arrive later, on the GUI thread
// (or at once, from a fake page).
class MapScript {
  public:
    virtual ~MapScript() = default;
    // Whether the page defines a function of every name.
    virtual void FindFunctions(const QStringList& names, std::function<void(bool found)> done) = 0;
    virtual void Run(const std::vector<ScriptCall>& calls,
                     std::function<void(ScriptOutcome)> done) = 0;
};

}  // namespace views
