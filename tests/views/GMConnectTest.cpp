#include "SampleLogs.h"
#include "support/DebugCapture.h"
#include "views/GMConnect.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

#include <limits>
#include <memory>
#include <vector>

namespace {

// A page that answers at once: every function found unless told otherwise, and
// every call answered with the preset outcome.
class FakePage : public views::MapScript {
  public:
    struct State {
        bool hasFunctions = true;
        views::ScriptOutcome answer = views::ScriptOutcome::ReturnedTrue;
        std::vector<std::vector<views::ScriptCall>> runs;
    };
    explicit FakePage(std::shared_ptr<State> state) : state_(std::move(state)) {}

    void FindFunctions(const QStringList& names, std::function<void(bool)> done) override {
        EXPECT_EQ(names, QStringList({"GMConnect", "AddPath", "SetPosition"}));
        done(state_->hasFunctions);
    }
    void Run(const std::vector<views::ScriptCall>& calls,
             std::function<void(views::ScriptOutcome)> done) override {
        state_->runs.push_back(calls);
        done(state_->answer);
    }

  private:
    std::shared_ptr<State> state_;
};

struct Click {
    int kind;
    std::int64_t value;
};

class GMConnectTest : public testing::Test {
  protected:
    GMConnectTest()
        : bridge_(nullptr, [this](int kind, std::int64_t value, int) {
              clicks_.push_back({kind, value});
          }) {
        bridge_.SetScript(std::make_unique<FakePage>(page_));
    }

    // The AddPath points of the last track sent, as (time, lat, lng).
    std::vector<std::vector<double>> TrackPoints() const {
        std::vector<std::vector<double>> points;
        for (const views::ScriptCall& call : page_->runs.back()) {
            EXPECT_EQ(call.function, QStringLiteral("AddPath"));
            points.push_back(call.args);
        }
        return points;
    }

    std::shared_ptr<FakePage::State> page_ = std::make_shared<FakePage::State>();
    std::vector<Click> clicks_;
    GMConnect bridge_;
};

TEST_F(GMConnectTest, TitlesAreThePagesMessages) {
    EXPECT_FALSE(bridge_.Connected());
    TitleChange(&bridge_, QStringLiteral("loadedHtml"));  // no colon connects too
    EXPECT_TRUE(bridge_.Connected());
    ASSERT_EQ(page_->runs.size(), 2u);  // GMConnect(), then the (empty) track
    EXPECT_EQ(page_->runs[0].front().function, QStringLiteral("GMConnect"));
    EXPECT_TRUE(page_->runs[0].front().args.empty());

    struct Case {
        const char* title;
        bool click;
        std::int64_t value;
    };
    const Case cases[] = {
        {"msTime:12999", true, 12999},
        {"msTime:12999", true, 12999},  // the same click again
        {"msTime:", true, 0},
        {"msTime", true, 0},  // the whole title as value reads as 0
        {"msTime: -42x7", true, -42},
        {"msTime:99999999999999999999999", true, std::numeric_limits<std::int64_t>::max()},
        {"msTime:-99999999999999999999999", true, std::numeric_limits<std::int64_t>::min()},
        {"MsTime:5", false, 0},
        {"qrc:/map/MapPage.html", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        clicks_.clear();
        TitleChange(&bridge_, QString::fromLatin1(c.title));
        ASSERT_EQ(clicks_.size(), c.click ? 1u : 0u) << c.title;
        if (c.click) {
            EXPECT_EQ(clicks_[0].kind, 1) << c.title;
            EXPECT_EQ(clicks_[0].value, c.value) << c.title;
        }
    }
    EXPECT_EQ(page_->runs.size(), 2u);  // none of those called the page
}

TEST_F(GMConnectTest, ClickedTimesSeekToWholeSecondsInsideThePlayList) {
    struct Case {
        int kind;
        std::int64_t ms;
        bool seeks;
        double seconds;
    };
    const Case cases[] = {
        {1, 12999, true, 12},
        {1, 0, true, 0},
        {1, 30000, true, 30},
        {1, 30001, false, 0},
        {1, -1, false, 0},
        {2, 5000, false, 0},
        {1, std::numeric_limits<std::int64_t>::max(), false, 0},
    };
    for (const Case& c : cases) {
        const std::optional<double> seconds = TGoogleMapForm::ClickedSeconds(c.kind, c.ms, 30000.0);
        ASSERT_EQ(seconds.has_value(), c.seeks) << c.ms;
        if (c.seeks) {
            EXPECT_EQ(*seconds, c.seconds);
        }
    }
}

TEST(GMFormTest, ClicksOnTheTrackAskTheOwnerToSeek) {
    TGoogleMapForm form;  // never shown: no page, no web engine
    std::vector<std::pair<QObject*, double>> seeks;
    form.OnPositionChange = [&](QObject* sender, double seconds) {
        seeks.emplace_back(sender, seconds);
    };
    TitleChange(form.Map(), QStringLiteral("msTime:0"));
    TitleChange(form.Map(), QStringLiteral("msTime:1"));  // past an empty play list
    EXPECT_EQ(seeks, (std::vector<std::pair<QObject*, double>>{{&form, 0.0}}));
    EXPECT_EQ(form.Map()->Host(), nullptr);
}

TEST_F(GMConnectTest, TrackLeavesOutPointsWithoutFixAndRepeats) {
    bridge_.RefreshData(TrackLog({{0, 1, 1}}));
    EXPECT_TRUE(page_->runs.empty()) << "nothing before the page has loaded";

    TitleChange(&bridge_, QStringLiteral("loadedHtml:"));
    page_->runs.clear();
    bridge_.RefreshData(TrackLog({{0, 0, 0},
                                  {200, 24.5f, 0},  // no fix
                                  {400, 0, 121.5f},
                                  {600, 24.5f, 121.5f},
                                  {800, 24.5f, 121.5f},  // standing still
                                  {1000, 24.6f, 121.5f},
                                  {4000000000u, 24.5f, 121.5f}}));  // back again, late
    const std::vector<std::vector<double>> expected = {
        {0, 1000, 0},
        {600, 24.5f, 121.5f},
        {1000, 24.6f, 121.5f},
        {4000000000.0, 24.5f, 121.5f},  // times go whole, not through a float
        {0, 1001, 0},
    };
    EXPECT_EQ(TrackPoints(), expected);

    bridge_.RefreshData(TrackLog({{0, 0, 0}, {200, 0, 0}}));
    EXPECT_EQ(TrackPoints(), (std::vector<std::vector<double>>{{0, 1000, 0}, {0, 1001, 0}}));

    bridge_.RefreshData(TrackLog({}));  // an empty log only clears the page's track
    EXPECT_EQ(TrackPoints(), (std::vector<std::vector<double>>{{0, 1000, 0}}));
}

TEST_F(GMConnectTest, FailedCallsDisconnectUntilThePageLoadsAgain) {
    EXPECT_EQ(bridge_.SetPosition(24.5f, 121.5f), GMConnect::kNotConnected);
    EXPECT_TRUE(page_->runs.empty());

    TitleChange(&bridge_, QStringLiteral("loadedHtml:"));
    page_->runs.clear();
    EXPECT_EQ(bridge_.SetPosition(24.5f, 121.5f), 0u);
    ASSERT_EQ(page_->runs.size(), 1u);
    EXPECT_EQ(page_->runs[0][0].function, QStringLiteral("SetPosition"));
    EXPECT_EQ(page_->runs[0][0].args, (std::vector<double>{24.5f, 121.5f}));

    // The recorder logs no GPS in its MPEG-TS files: no marker sent to (0, 0).
    EXPECT_EQ(bridge_.SetPosition(0.0f, 121.5f), 0u);
    EXPECT_EQ(bridge_.SetPosition(24.5f, 0.0f), 0u);
    EXPECT_EQ(bridge_.SetPosition(std::numeric_limits<float>::quiet_NaN(), 121.5f), 0u);
    EXPECT_EQ(page_->runs.size(), 1u);

    DebugCapture debug;
    page_->answer = views::ScriptOutcome::ReturnedOther;  // the page's SetPosition fails
    EXPECT_EQ(bridge_.SetPosition(24.5f, 121.5f), 0u);
    EXPECT_FALSE(bridge_.Connected());
    EXPECT_TRUE(debug.Contains(QStringLiteral("Function:GMConnect::InvokeMethod")));
    EXPECT_TRUE(debug.Contains(QStringLiteral("Exception:Err:\tInvokeMethod")));
    EXPECT_EQ(bridge_.SetPosition(24.5f, 121.5f), GMConnect::kNotConnected);

    // A page that throws on the track disconnects too.
    page_->answer = views::ScriptOutcome::ReturnedTrue;
    TitleChange(&bridge_, QStringLiteral("loadedHtml:"));
    EXPECT_TRUE(bridge_.Connected());
    page_->answer = views::ScriptOutcome::Threw;
    bridge_.RefreshData(TrackLog({{0, 24.5f, 121.5f}}));
    EXPECT_FALSE(bridge_.Connected());
    EXPECT_TRUE(debug.Contains(QStringLiteral("Exception:Error At AddPath")));

    // A page without one of the functions is refused: nothing is called.
    page_->answer = views::ScriptOutcome::ReturnedTrue;
    page_->hasFunctions = false;
    page_->runs.clear();
    TitleChange(&bridge_, QStringLiteral("loadedHtml:"));
    EXPECT_FALSE(bridge_.Connected());
    EXPECT_TRUE(page_->runs.empty());
    EXPECT_TRUE(debug.Contains(QStringLiteral("Function:GMConnect::InitDISPID")));
}

TEST_F(GMConnectTest, TheBridgeIsTheProgramsOne) {
    EXPECT_EQ(GMConnect::Instance(), &bridge_);
    {
        GMConnect other(nullptr, nullptr);
        EXPECT_EQ(GMConnect::Instance(), &other);
    }
    EXPECT_EQ(GMConnect::Instance(), nullptr);
}

TEST(GMConnectOneBridgeTest, TheInformationWindowMovesTheCarThroughIt) {
    auto page = std::make_shared<FakePage::State>();
    GMConnect bridge(nullptr, nullptr);
    bridge.SetScript(std::make_unique<FakePage>(page));
    TitleChange(&bridge, QStringLiteral("loadedHtml:"));
    page->runs.clear();

    const SensorLog log = SampleLog(3, [](SensorLog& l, std::uint32_t i) {
        l.latitude[i] = 24.5f + static_cast<float>(i);
        l.longitude[i] = 121.5f;
    });
    TInfoForm info;
    info.SetLogSource(&log);
    info.UpdateInfo(250.0);  // the second sample
    ASSERT_EQ(page->runs.size(), 1u);
    EXPECT_EQ(page->runs[0][0].function, QStringLiteral("SetPosition"));
    EXPECT_EQ(page->runs[0][0].args, (std::vector<double>{25.5f, 121.5f}));
}

TEST(GMConnectPageTest, TileTemplateRidesOnThePageAddress) {
    qputenv("OMBREL_MAP_TILES", "https://tiles.example/{z}/{x}/{y}.png");
    const QUrl url = GMConnect::PageUrl();
    qunsetenv("OMBREL_MAP_TILES");
    EXPECT_EQ(url.scheme(), QStringLiteral("qrc"));
    EXPECT_EQ(url.path(), QStringLiteral("/map/MapPage.html"));
    EXPECT_EQ(QUrlQuery(url).queryItemValue("tiles", QUrl::FullyDecoded),
              QStringLiteral("https://tiles.example/{z}/{x}/{y}.png"));
    EXPECT_FALSE(GMConnect::PageUrl().hasQuery());
}

}  // namespace
