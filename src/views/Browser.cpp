#include "Browser.h"

#include "platform/DebugOutput.h"

#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

#include <unistd.h>

namespace {

constexpr int kReadyStateComplete = 4;
constexpr qsizetype kTraceLineLimit = 127;

}  // namespace

Browser::Browser(QWidget* parent, const QUrl& url, TitleCallback onTitle, ReadyCallback onReady)
    : parent_(parent), onTitle_(std::move(onTitle)), onReady_(std::move(onReady)) {
    view_ = new QWebEngineView(parent);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    // The host shows its own page only; a failed load stays blank rather than showing
    // the engine's error page, which would run the host's calls against another page.
    view_->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    QObject::connect(view_, &QWebEngineView::titleChanged, view_,
                     [this](const QString& title) { OnTitleChanged(title); });
    QObject::connect(view_, &QWebEngineView::loadFinished, view_,
                     [this](bool ok) { OnLoadFinished(ok); });
    Resize();
    view_->setUrl(url);
    view_->show();
}

Browser::~Browser() {
    delete view_.data();
}

void Browser::DisableSandboxForRoot() {
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}

void Browser::Resize() {
    if (view_ != nullptr && parent_ != nullptr) {
        view_->setGeometry(0, 0, parent_->width(), parent_->height());
    }
}

QWebEngineView* Browser::View() const {
    return view_;
}

void Browser::RunJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
    if (view_ == nullptr) {
        done(QVariant());
        return;
    }
    view_->page()->runJavaScript(script,
                                 [done = std::move(done)](const QVariant& value) { done(value); });
}

void Browser::OnTitleChanged(const QString& title) {
    // A page without a title is reported with its address as the title: no title.
    if (title == view_->url().toString() || title == view_->page()->requestedUrl().toString()) {
        return;
    }
    if (onTitle_) {
        onTitle_(parent_, title);
    }
}

void Browser::OnLoadFinished(bool ok) {
    if (!ok) {
        TraceBrowserEvent("DISPID_NAVIGATEERROR", 0, 0, 0.0, 0.0);
        return;
    }
    if (onReady_) {
        onReady_(parent_, kReadyStateComplete);
    }
}

void Browser::TraceBrowserEvent(const char* name, int i1, int i2, double d1, double d2) {
    const QString line = QString::asprintf("%d: %s, i1=%d, i2=%d, d1=%f, d2=%f", traceCount_++,
                                           name, i1, i2, d1, d2);
    platform::DebugOutput::Write(line.left(kTraceLineLimit));
}
