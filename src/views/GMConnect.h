#pragma once

#include "recordings/SensorLog.h"
#include "views/Browser.h"
#include "views/MapScript.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// The bridge to the map page: it hosts the page in a browser, learns that the page
// has the functions GMConnect, AddPath and SetPosition, calls them, and hands the
// page's messages (titles "loadedHtml:" and "msTime:<ms>") to its owner. One per
// program. GUI thread only.
//
// Page calls run asynchronously: a call reports 0 once it is sent, and a call that
// fails on the page makes the bridge not connected when its answer arrives, until
// the page loads again and connects.
class GMConnect {
  public:
    // Page events: kind 1 is a click on the track at `value` ms; `spare` is 0.
    using OwnerCallback = std::function<void(int kind, std::int64_t value, int spare)>;

    enum Method : int { kGMConnect = 0, kAddPath = 1, kSetPosition = 2 };
    static constexpr std::uint32_t kNotConnected = 1229;
    // AddPath latitudes that begin and end a track.
    static constexpr double kBeginTrack = 1000.0;
    static constexpr double kEndTrack = 1001.0;

    // The browser is made later, by OpenPage, on `parent`.
    GMConnect(QWidget* parent, OwnerCallback callback);
    ~GMConnect();
    GMConnect(const GMConnect&) = delete;
    GMConnect& operator=(const GMConnect&) = delete;

    // The one bridge of the program, or null.
    static GMConnect* Instance();

    // The page's address: the page in the program's resources, with the tile
    // address template of OMBREL_MAP_TILES when that is set.
    static QUrl PageUrl();

    // Creates the browser on the parent and loads the page; later calls do nothing.
    // The web engine is heavy, so the map window does this when it is first shown.
    void OpenPage();
    // Uses `script` as the page from now on (OpenPage hands the browser's own; tests
    // a fake page). Forgets the old page's functions.
    void SetScript(std::unique_ptr<views::MapScript> script);

    // The page has loaded: checks its functions, then connects. False when there is
    // no page to ask.
    bool InitDISPID();
    // Calls the page's GMConnect and sends the track; the connected flag.
    bool TryConnect();
    // Calls method `index` with `args`: 0 when sent, kNotConnected when not connected
    // (nothing is sent).
    std::uint32_t InvokeMethod(int index, const std::vector<double>& args = {});
    // Sends the merged log's track; nothing before the page's functions are known.
    void RefreshData();
    void RefreshData(const SensorLog& log);
    // Moves the car marker; a position without a GPS fix (a coordinate 0 or not a
    // number) is skipped and gives 0.
    std::uint32_t SetPosition(float lat, float lng);
    // Fits the browser to its parent.
    void Resize();

    bool Connected() const { return connected_; }
    Browser* Host() const { return host_.get(); }

  private:
    friend void TitleChange(GMConnect* bridge, const QString& title);

    // Answers of an older page, or of a destroyed bridge, are dropped; `bridge` is
    // looked at only while `token` lives.
    static bool IsCurrent(const std::weak_ptr<int>& token, const GMConnect* bridge, int generation);

    QWidget* parent_;
    OwnerCallback callback_;
    bool connected_ = false;
    bool scriptReady_ = false;  // the page's functions are known
    int generation_ = 0;        // counts the pages connected to
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<Browser> host_;
    std::unique_ptr<views::MapScript> script_;
};

// The host's title callback: "loadedHtml" connects the bridge, "msTime" reports a
// click at the time after the colon; other titles do nothing.
void TitleChange(GMConnect* bridge, const QString& title);

namespace views {

// The number at the start of `text` (leading blanks and a sign allowed, digits up
// to the first other character), held at the 64-bit limits; 0 when there is none.
std::int64_t ParseTitleNumber(const QString& text);

}  // namespace views
