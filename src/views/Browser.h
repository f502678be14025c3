#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

class QWebEngineView;
class QWidget;

// A web view hosted in a parent widget: it loads one URL, fills the parent on
// Resize, shows no context menu, and reports the page's title changes and finished
// loads through plain callbacks whose context is the parent. A failed load writes a
// numbered trace line to the debug output. GUI thread only.
class Browser {
  public:
    using TitleCallback = std::function<void(QWidget* context, const QString& title)>;
    // readyState 4: the page has loaded completely.
    using ReadyCallback = std::function<void(QWidget* context, int readyState)>;

    // Either callback may be empty. Starts loading `url` at once.
    Browser(QWidget* parent, const QUrl& url, TitleCallback onTitle, ReadyCallback onReady);
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // Chromium's sandbox cannot start for the root user: switched off then. Must run
    // before the first browser is created (the program's entry runs it before the
    // application object).
    static void DisableSandboxForRoot();

    // Places the view at (0, 0) with the parent's client size.
    void Resize();

    // Runs `script` in the page; `done` gets its value, or an invalid value when the
    // page goes away first.
    void RunJavaScript(const QString& script, std::function<void(const QVariant&)> done);

    QWebEngineView* View() const;

  private:
    void OnTitleChanged(const QString& title);
    void OnLoadFinished(bool ok);
    void TraceBrowserEvent(const char* name, int i1, int i2, double d1, double d2);

    QWidget* parent_;
    TitleCallback onTitle_;
    ReadyCallback onReady_;
    QPointer<QWebEngineView> view_;
    int traceCount_ = 0;
};
