#include "GMConnect.h"

#include "foundation/ErrorReport.h"
#include "recordings/LogManagement.h"
#include "views/PageScript.h"

#include <QUrlQuery>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

GMConnect* g_instance = nullptr;

const QStringList& MethodNames() {
    static const QStringList names = {QStringLiteral("GMConnect"), QStringLiteral("AddPath"),
                                      QStringLiteral("SetPosition")};
    return names;
}

constexpr char kTileVariable[] = "OMBREL_MAP_TILES";

// A position the recorder had a fix for: its log holds 0 where it had none.
bool HasFix(float lat, float lng) {
    return lat != 0.0f && lng != 0.0f && std::isfinite(lat) && std::isfinite(lng);
}

}  // namespace

GMConnect::GMConnect(QWidget* parent, OwnerCallback callback)
    : parent_(parent), callback_(std::move(callback)) {
    g_instance = this;
}

GMConnect::~GMConnect() {
    // Answers still pending come back while the page is torn down; they must find
    // the bridge gone.
    alive_.reset();
    script_.reset();
    host_.reset();
    if (g_instance == this) {
        g_instance = nullptr;
    }
}

GMConnect* GMConnect::Instance() {
    return g_instance;
}

QUrl GMConnect::PageUrl() {
    QUrl url(QStringLiteral("qrc:/map/MapPage.html"));
    const QString tiles = qEnvironmentVariable(kTileVariable);
    if (!tiles.isEmpty()) {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("tiles"), tiles);
        url.setQuery(query);
    }
    return url;
}

void GMConnect::OpenPage() {
    if (host_ != nullptr) {
        return;
    }
    const QUrl url = PageUrl();
    host_ = std::make_unique<Browser>(
        parent_, url, [this](QWidget*, const QString& title) { TitleChange(this, title); },
        nullptr);
    if (url.hasQuery()) {
        // Tiles come from the configured server; the page itself is local.
        host_->View()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                                true);
    }
    SetScript(std::make_unique<views::PageScript>(*host_));
}

void GMConnect::SetScript(std::unique_ptr<views::MapScript> script) {
    script_ = std::move(script);
    scriptReady_ = false;
    connected_ = false;
    ++generation_;
}

bool GMConnect::IsCurrent(const std::weak_ptr<int>& token, const GMConnect* bridge,
                          int generation) {
    return !token.expired() && generation == bridge->generation_;
}

bool GMConnect::InitDISPID() {
    // A new page: whatever the old one knew is gone.
    scriptReady_ = false;
    connected_ = false;
    const int generation = ++generation_;
    if (script_ == nullptr) {
        return false;
    }
    script_->FindFunctions(MethodNames(),
                           [this, token = std::weak_ptr<int>(alive_), generation](bool found) {
                               if (!IsCurrent(token, this, generation)) {
                                   return;
                               }
                               try {
                                   if (!found) {
                                       throw std::runtime_error("the page lacks a map function");
                                   }
                                   scriptReady_ = true;
                                   TryConnect();
                               } catch (const std::exception& error) {
                                   EXCEPTION_LOG_LINE("GMConnect::InitDISPID", error);
                               }
                           });
    return true;
}

bool GMConnect::TryConnect() {
    connected_ = true;
    InvokeMethod(kGMConnect);
    RefreshData();
    return connected_;
}

std::uint32_t GMConnect::InvokeMethod(int index, const std::vector<double>& args) {
    if (!connected_ || script_ == nullptr || index < 0 || index >= MethodNames().size()) {
        return kNotConnected;
    }
    const int generation = generation_;
    script_->Run({{MethodNames().at(index), args}}, [this, token = std::weak_ptr<int>(alive_),
                                                     generation](views::ScriptOutcome outcome) {
        if (!IsCurrent(token, this, generation) || outcome == views::ScriptOutcome::Lost ||
            outcome == views::ScriptOutcome::ReturnedTrue || !connected_) {
            return;
        }
        connected_ = false;
        EXCEPTION_LOG_LINE("GMConnect::InvokeMethod", std::runtime_error("Err:\tInvokeMethod"));
    });
    return 0;
}

void GMConnect::RefreshData() {
    static const SensorLog kEmpty;
    RefreshData(LogManager != nullptr ? LogManager->MergedLog() : kEmpty);
}

void GMConnect::RefreshData(const SensorLog& log) {
    if (script_ == nullptr || !scriptReady_) {
        return;
    }
    const QString addPath = MethodNames().at(kAddPath);
    std::vector<views::ScriptCall> calls;
    calls.push_back({addPath, {0.0, kBeginTrack, 0.0}});
    if (log.count != 0) {
        // Points without a fix and repeats of the point before are left out.
        float lastLat = 0.0f;
        float lastLng = 0.0f;
        for (std::uint32_t i = 0; i < log.count; ++i) {
            const float lat = log.latitude[i];
            const float lng = log.longitude[i];
            if (!HasFix(lat, lng) || (lat == lastLat && lng == lastLng)) {
                continue;
            }
            calls.push_back({addPath, {static_cast<double>(log.time[i]), lat, lng}});
            lastLat = lat;
            lastLng = lng;
        }
        calls.push_back({addPath, {0.0, kEndTrack, 0.0}});
    }
    const int generation = generation_;
    script_->Run(calls, [this, token = std::weak_ptr<int>(alive_),
                         generation](views::ScriptOutcome outcome) {
        if (!IsCurrent(token, this, generation) || outcome != views::ScriptOutcome::Threw) {
            return;
        }
        connected_ = false;
        EXCEPTION_LOG_LINE("GMConnect::RefreshData", std::runtime_error("Error At AddPath"));
    });
}

std::uint32_t GMConnect::SetPosition(float lat, float lng) {
    if (!HasFix(lat, lng)) {
        return 0;
    }
    return InvokeMethod(kSetPosition, {lat, lng});
}

void GMConnect::Resize() {
    if (host_ != nullptr) {
        host_->Resize();
    }
}

void TitleChange(GMConnect* bridge, const QString& title) {
    try {
        if (bridge == nullptr) {
            throw std::runtime_error("no map bridge");
        }
        const qsizetype colon = title.indexOf(QLatin1Char(':'));
        const QString key = colon < 0 ? title : title.left(colon);
        const QString value = colon < 0 ? title : title.mid(colon + 1);
        if (key == QLatin1String("loadedHtml")) {
            bridge->InitDISPID();
        } else if (key == QLatin1String("msTime")) {
            if (bridge->callback_) {
                bridge->callback_(1, views::ParseTitleNumber(value), 0);
            }
        }
    } catch (const std::exception& error) {
        EXCEPTION_LOG_LINE("TitleChange", error);
    }
}

namespace views {

std::int64_t ParseTitleNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Accumulated as a negative number, which reaches the lower limit too.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9');
         ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (value < (kMin + digit) / 10) {
            saturated = true;
            value = kMin;
        } else if (!saturated) {
            value = value * 10 - digit;
        }
    }
    if (negative) {
        return value;
    }
    return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

}  // namespace views
