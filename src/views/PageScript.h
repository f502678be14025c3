#pragma once

#include "views/MapScript.h"

class Browser;

namespace views {

// The script of the page a hosted browser shows, reached through runJavaScript.
// The browser must outlive this object.
class PageScript : public MapScript {
  public:
    explicit PageScript(Browser& browser) : browser_(browser) {}

    void FindFunctions(const QStringList& names, std::function<void(bool found)> done) override;
    void Run(const std::vector<ScriptCall>& calls,
             std::function<void(ScriptOutcome)> done) override;

  private:
    Browser& browser_;
};

// The script that makes the calls in one go and answers 1 (the last call returned
// true), 0 (it returned something else) or -1 (a call threw). Numbers are written
// exactly: whole numbers as integers, others with 17 significant digits.
QString ScriptCallsText(const std::vector<ScriptCall>& calls);

}  // namespace views
