// The map page in the web engine, driven through the bridge as the program does.
#include "SampleLogs.h"
#include "support/DebugCapture.h"
#include "support/WaitUntil.h"
#include "views/Browser.h"
#include "views/GMConnect.h"
#include "views/PageScript.h"

#include <QTest>
#include <QWebEngineView>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

class WebEngineEnvironment : public testing::Environment {
  public:
    void SetUp() override { Browser::DisableSandboxForRoot(); }
};
const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new WebEngineEnvironment);

QVariant Evaluate(Browser& browser, const QString& script) {
    // Shared, so that an answer later than the wait has somewhere to go.
    auto answer = std::make_shared<std::optional<QVariant>>();
    browser.RunJavaScript(script, [answer](const QVariant& value) { *answer = value; });
    EXPECT_TRUE(WaitUntil([&] { return answer->has_value(); })) << script.toStdString();
    return answer->value_or(QVariant());
}

class MapPageTest : public testing::Test {
  protected:
    MapPageTest()
        : bridge_(&parent_, [this](int kind, std::int64_t ms, int) {
              if (kind == 1) {
                  clicks_.push_back(ms);
              }
          }) {
        parent_.resize(600, 450);
        parent_.show();
    }

    QVariant Page(const QString& script) { return Evaluate(*bridge_.Host(), script); }

    // Opens the map page and waits until its map stands.
    void OpenMap() {
        bridge_.OpenPage();
        ASSERT_TRUE(WaitUntil([this] {
            return bridge_.Connected() &&
                   Page(QStringLiteral("typeof map === 'object' && map !== null && "
                                       "trackLine !== null"))
                       .toBool();
        }));
    }

    void SendTrack(const std::vector<TrackPoint>& points) {
        bridge_.RefreshData(TrackLog(points));
        ASSERT_TRUE(WaitUntil([&] {
            return Page(QStringLiteral("map.hasLayer(trackLine) && trackTimes.length")).toInt() ==
                   static_cast<int>(points.size());
        }));
    }

    // Clicks the page where a script says, as [x, y].
    void ClickAt(const QString& pointScript) {
        const QVariantList xy = Page(pointScript).toList();
        ASSERT_EQ(xy.size(), 2);
        const QPoint point(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
        QWidget* input = bridge_.Host()->View()->focusProxy();
        ASSERT_NE(input, nullptr);
        QTest::mouseClick(input, Qt::LeftButton, {}, point);
    }

    QWidget parent_;
    std::vector<std::int64_t> clicks_;
    GMConnect bridge_;
};

TEST_F(MapPageTest, TrackIsDrawnAndClicksNearItsPointsSeek) {
    OpenMap();
    // Times beyond what a float holds exactly arrive whole.
    SendTrack({{16777217, 24.800, 121.000},
               {16777417, 24.805, 121.004},
               {16777617, 24.810, 121.008},
               {16777817, 24.815, 121.012}});
    EXPECT_EQ(Page(QStringLiteral("trackTimes.join()")).toString(),
              QStringLiteral("16777217,16777417,16777617,16777817"));
    EXPECT_EQ(Page(QStringLiteral("var s = startMarker.getLatLng(), e = endMarker.getLatLng();"
                                  "[map.hasLayer(carMarker), s.lat.toFixed(3), e.lng.toFixed(3)]"))
                  .toList(),
              QVariantList({true, "24.800", "121.012"}));

    // A few pixels beside the third point, twice: both clicks arrive.
    const QString third = QStringLiteral(
        "var p = map.latLngToContainerPoint(trackLine.getLatLngs()[2]); [p.x + 2, p.y + 1]");
    ClickAt(third);
    ASSERT_TRUE(WaitUntil([this] { return clicks_.size() == 1; }));
    ClickAt(third);
    ASSERT_TRUE(WaitUntil([this] { return clicks_.size() == 2; }));
    EXPECT_EQ(clicks_, (std::vector<std::int64_t>{16777617, 16777617}));

    // The car follows the position.
    EXPECT_EQ(bridge_.SetPosition(24.805f, 121.004f), 0u);
    EXPECT_TRUE(WaitUntil([this] {
        return Page(QStringLiteral("carMarker.getLatLng().lat.toFixed(3)")).toString() ==
               QStringLiteral("24.805");
    }));
    EXPECT_TRUE(bridge_.Connected());

    // The status pictures come with the page; the map hid the one shown while loading.
    EXPECT_EQ(Page(QStringLiteral("var c = document.getElementById('connecting');"
                                  "var f = document.getElementById('failed');"
                                  "[c.naturalWidth, f.naturalWidth, c.style.display]"))
                  .toList(),
              QVariantList({96, 96, "none"}));
}

TEST_F(MapPageTest, ClickOnTheLineFarFromEveryPointDoesNothing) {
    OpenMap();
    // Two points about 11 km apart: the middle of the line is far from both.
    SendTrack({{1000, 24.70, 121.00}, {2000, 24.80, 121.00}});
    Page(
        QStringLiteral("window.lineClicks = 0; trackLine.on('click', function () { "
                       "lineClicks++; })"));
    ClickAt(QStringLiteral("var p = map.latLngToContainerPoint([24.75, 121.00]); [p.x, p.y]"));
    ASSERT_TRUE(WaitUntil([this] { return Page(QStringLiteral("lineClicks")).toInt() == 1; }));
    ClickAt(QStringLiteral("var p = map.latLngToContainerPoint([24.80, 121.00]); [p.x, p.y + 2]"));
    ASSERT_TRUE(WaitUntil([this] { return !clicks_.empty(); }));
    EXPECT_EQ(clicks_, (std::vector<std::int64_t>{2000}));
}

TEST_F(MapPageTest, EmptyTrackLeavesTheMarkersHiddenAndReloadReconnects) {
    OpenMap();
    bridge_.RefreshData(TrackLog({{0, 0, 0}}));
    EXPECT_TRUE(WaitUntil([this] {
        return Page(QStringLiteral("AddPath(0, 1001, 0) && !map.hasLayer(carMarker) && "
                                   "!map.hasLayer(startMarker) && !map.hasLayer(trackLine)"))
            .toBool();
    }));
    EXPECT_TRUE(bridge_.Connected());

    Page(QStringLiteral("window.beforeReload = true; location.reload()"));
    ASSERT_TRUE(WaitUntil([this] {
        return bridge_.Connected() &&
               Page(QStringLiteral("typeof beforeReload === 'undefined' && "
                                   "typeof map === 'object' && map !== null"))
                   .toBool();
    }));
    EXPECT_EQ(bridge_.SetPosition(24.9f, 121.1f), 0u);
    EXPECT_TRUE(WaitUntil([this] {
        return Page(QStringLiteral("carMarker.getLatLng().lng.toFixed(1)")).toString() ==
               QStringLiteral("121.1");
    }));
}

TEST_F(MapPageTest, PageWithoutSetPositionIsRefused) {
    DebugCapture debug;
    Browser host(
        &parent_,
        QUrl(QStringLiteral("data:text/html,<script>function GMConnect(){return true}"
                            "function AddPath(){return true}"
                            "onload=function(){document.title='loadedHtml:'}</script>")),
        [this](QWidget*, const QString& title) { TitleChange(&bridge_, title); }, nullptr);
    bridge_.SetScript(std::make_unique<views::PageScript>(host));
    ASSERT_TRUE(WaitUntil([&] { return debug.Contains(QStringLiteral("GMConnect::InitDISPID")); }));
    EXPECT_FALSE(bridge_.Connected());
    EXPECT_EQ(bridge_.SetPosition(24.9f, 121.1f), GMConnect::kNotConnected);
    bridge_.SetScript(nullptr);
}

TEST_F(MapPageTest, MissingPageTracesAndGivesNoTitle) {
    DebugCapture debug;
    QStringList titles;
    int ready = 0;
    Browser host(
        &parent_, QUrl(QStringLiteral("qrc:/map/NoSuchPage.html")),
        [&](QWidget*, const QString& title) { titles.append(title); },
        [&](QWidget*, int) { ++ready; });
    ASSERT_TRUE(WaitUntil([&] { return !debug.Lines().isEmpty(); }));
    EXPECT_EQ(debug.Lines(),
              QStringList({"0: DISPID_NAVIGATEERROR, i1=0, i2=0, d1=0.000000, d2=0.000000"}));
    EXPECT_TRUE(titles.isEmpty()) << titles.join(',').toStdString();
    EXPECT_EQ(ready, 0);
}

}  // namespace
