// The owner-drawn controls on the grounds they are seen on, in each state and,
// where they show text, in each language.
#include "Gallery.h"
#include "controls/ColumnHeader.h"
#include "controls/GradientButton.h"
#include "controls/HScrollBar.h"
#include "controls/IconButton.h"
#include "controls/ImageBox.h"
#include "controls/PlayControlBtn.h"
#include "controls/PlayControlSpd.h"
#include "controls/PlayControlVol.h"
#include "controls/PlayTimeLine.h"
#include "controls/VScrollBar.h"
#include "controls/VTickScrollBar.h"
#include "foundation/UiStringTable.h"

#include <functional>
#include <memory>

using controls::BoundsRect;
using gallery::Backdrop;
using gallery::Book;

namespace {

// Grounds: the play-control panel, the file list, the chart, a dialog.
struct Ground {
    QRgb top;
    QRgb bottom;
};
constexpr Ground kPanel{0xFFB4B4B4, 0xFF161616};
constexpr Ground kFileList{0xFF3C3CA0, 0xFF282846};
constexpr Ground kChart{0xFF646464, 0xFF141414};
constexpr Ground kDialog{0xFFF0F0F0, 0xFFF0F0F0};

std::unique_ptr<Backdrop> MakeGround(QSize size, Ground ground) {
    auto backdrop = std::make_unique<Backdrop>(size, ground.top, ground.bottom);
    backdrop->show();
    return backdrop;
}

// The states a picture shows a control in; `act` brings the control there.
struct State {
    const char* name;
    std::function<void(QWidget& control)> act;
};

const State kNormal{"normal", [](QWidget&) {}};
const State kDisabled{"disabled", [](QWidget& control) { control.setEnabled(false); }};

State HoverAt(QPoint at) {
    return {"hover", [at](QWidget& control) { gallery::Hover(control, at); }};
}

State PressAt(QPoint at) {
    return {"pressed", [at](QWidget& control) {
                gallery::Hover(control, at);
                gallery::Press(control, at);
            }};
}

State DragFromTo(QPoint from, QPoint to) {
    return {"dragging", [from, to](QWidget& control) {
                gallery::Hover(control, from);
                gallery::Press(control, from);
                gallery::DragTo(control, to);
            }};
}

void OpenButtonPages(Book& book) {
    for (int language = 0; language < kLanguageCount; ++language) {
        for (const State& state : {kNormal, HoverAt({60, 20}), PressAt({60, 20}), kDisabled}) {
            auto ground = MakeGround(QSize(250, 45), kFileList);
            TGradientButton button(ground.get(), 0.3f, 0xFF141455, 0xFF3C3CBA, 0xFF9696DC,
                                   QStringLiteral("RID_folder"));
            button.setGeometry(0, 0, 250, 45);
            button.SetCaption(UiText(6, language));
            button.show();
            state.act(button);
            book.Save(*ground,
                      QStringLiteral("gradient_button_%1_%2")
                          .arg(QLatin1String(state.name), gallery::LanguageSuffix(language)));
        }
    }
}

// The chart's five buttons in a row; the backdrop owns them.
std::vector<TIconButton*> ChartButtons(Backdrop* ground) {
    const char* icons[] = {"RID_ChartSetting", "RID_Pan", "RID_Zoom", "RID_FitSize", "RID_Info"};
    std::vector<TIconButton*> buttons;
    for (int i = 0; i < 5; ++i) {
        buttons.push_back(new TIconButton(ground, QString::fromLatin1(icons[i]),
                                          controls::kAnchorsLeftTop,
                                          BoundsRect(10 + 30 * i, 8, 35 + 30 * i, 33)));
        buttons.back()->show();
    }
    return buttons;
}

void ChartButtonPages(Book& book) {
    const State latched{"latched",
                        [](QWidget& control) { static_cast<TIconButton&>(control).SetState(4); }};
    const State latchedHover{"latched_hover", [](QWidget& control) {
                                 static_cast<TIconButton&>(control).SetState(4);
                                 gallery::Hover(control, {12, 12});
                             }};
    for (const State& state :
         {kNormal, HoverAt({12, 12}), PressAt({12, 12}), latched, latchedHover, kDisabled}) {
        auto ground = MakeGround(QSize(170, 40), kChart);
        for (TIconButton* button : ChartButtons(ground.get())) {
            state.act(*button);
        }
        book.Save(*ground, QStringLiteral("icon_buttons_%1").arg(QLatin1String(state.name)));
    }
    // As the chart starts: the pan button latched, the pointer over the zoom button.
    auto ground = MakeGround(QSize(170, 40), kChart);
    const std::vector<TIconButton*> buttons = ChartButtons(ground.get());
    buttons[1]->SetState(4);
    gallery::Hover(*buttons[2], {12, 12});
    book.Save(*ground, QStringLiteral("icon_buttons_chart"));
}

void LampPages(Book& book) {
    struct Lamps {
        const char* name;
        const char* left;
        const char* right;
    };
    const Lamps pages[] = {
        {"off", "RID_TurnLampOff", "RID_TurnLampOff"},
        {"left_on", "RID_TurnLampON", "RID_TurnLampOff"},
        {"both_on", "RID_TurnLampON", "RID_TurnLampON"},
        {"missing", "RID_NoSuchPicture", "RID_TurnLampOff"},
    };
    for (const Lamps& lamps : pages) {
        auto ground = MakeGround(QSize(120, 60), kDialog);
        const controls::Anchors anchors = controls::AnchorTop | controls::AnchorRight;
        TImageBox left(ground.get(), QString::fromLatin1(lamps.left), anchors,
                       BoundsRect(15, 15, 45, 45));
        TImageBox right(ground.get(), QString::fromLatin1(lamps.right), anchors,
                        BoundsRect(75, 15, 105, 45));
        left.show();
        right.show();
        book.Save(*ground, QStringLiteral("image_box_%1").arg(QLatin1String(lamps.name)));
    }
}

void ColumnHeaderPages(Book& book) {
    struct Look {
        const char* name;
        std::vector<int> edges;
        int offset;
        std::function<void(TColumnHeader&)> act;
    };
    const std::vector<int> defaults{0, 30, 150, 220, 300};
    const Look looks[] = {
        {"normal", defaults, 0, nullptr},
        {"dragging", defaults, 0,
         [](TColumnHeader& header) {
             gallery::Hover(header, {148, 15});
             gallery::Press(header, {148, 15});
             gallery::DragTo(header, {188, 15});
         }},
        {"scrolled", defaults, 100, nullptr},
        {"narrow", {0, 30, 75, 115, 160}, 0, nullptr},
    };
    for (int language = 0; language < kLanguageCount; ++language) {
        for (const Look& look : looks) {
            auto ground = MakeGround(QSize(320, 30), kFileList);
            TColumnHeader header(ground.get(), 4);
            header.setGeometry(0, 0, 320, 30);
            for (int i = 0; i < 5; ++i) {
                header.SetEdge(i, look.edges[i]);
            }
            header.SetCaption(1, UiText(82, language));
            header.SetCaption(2, UiText(84, language));
            header.SetCaption(3, UiText(83, language));
            header.SetScrollOffset(look.offset);
            header.show();
            if (look.act) {
                look.act(header);
            }
            book.Save(*ground,
                      QStringLiteral("column_header_%1_%2")
                          .arg(QLatin1String(look.name), gallery::LanguageSuffix(language)));
        }
    }
}

void PlayButtonPages(Book& book) {
    const PlayButtonKind kinds[] = {PlayButtonKind::Play, PlayButtonKind::Pause,
                                    PlayButtonKind::PrevFrame, PlayButtonKind::NextFrame};
    for (const State& state : {kNormal, HoverAt({15, 15}), PressAt({15, 15}), kDisabled}) {
        auto ground = MakeGround(QSize(160, 40), kPanel);
        std::vector<std::unique_ptr<TPlayControlBtn>> buttons;
        for (int i = 0; i < 4; ++i) {
            buttons.push_back(std::make_unique<TPlayControlBtn>(
                ground.get(), controls::kAnchorsLeftTop,
                BoundsRect(10 + 38 * i, 5, 40 + 38 * i, 35), kinds[i]));
            buttons.back()->show();
            state.act(*buttons.back());
        }
        book.Save(*ground, QStringLiteral("play_buttons_%1").arg(QLatin1String(state.name)));
    }
}

template <typename Control>
void KnobPages(Book& book, const char* prefix, const std::vector<State>& states, int width = 180) {
    for (const State& state : states) {
        auto ground = MakeGround(QSize(width + 20, 40), kPanel);
        Control control(ground.get(), controls::kAnchorsLeftTop, BoundsRect(10, 5, 10 + width, 35));
        control.SetPointerWarp({});
        control.show();
        state.act(control);
        book.Save(*ground,
                  QStringLiteral("%1_%2").arg(QLatin1String(prefix), QLatin1String(state.name)));
    }
}

State SpeedAt(const char* name, double speed) {
    return {name,
            [speed](QWidget& control) { static_cast<TPlayControlSpd&>(control).SetSpeed(speed); }};
}

State VolumeAt(const char* name, int volume) {
    return {name, [volume](QWidget& control) {
                static_cast<TPlayControlVol&>(control).SetVolume(volume);
            }};
}

void SpeedPages(Book& book) {
    // Width 180: steps of 16 px, the "Normal" knob at x 84.
    KnobPages<TPlayControlSpd>(book, "speed",
                               {kNormal, HoverAt({90, 15}), DragFromTo({90, 10}, {125, 10}),
                                SpeedAt("slowest", 0.25), SpeedAt("fastest", 3.0), kDisabled});
    KnobPages<TPlayControlSpd>(book, "speed_narrow", {kNormal}, 90);
}

void VolumePages(Book& book) {
    // Width 180: steps of 6 px per 5 units; the panel starts at 50.
    const State atHalf = VolumeAt("50", 50);
    KnobPages<TPlayControlVol>(book, "volume",
                               {atHalf,
                                VolumeAt("30", 30),
                                VolumeAt("100", 100),
                                VolumeAt("muted", 0),
                                {"hover",
                                 [](QWidget& c) {
                                     static_cast<TPlayControlVol&>(c).SetVolume(50);
                                     gallery::Hover(c, {60, 15});
                                 }},
                                {"dragging",
                                 [](QWidget& c) {
                                     static_cast<TPlayControlVol&>(c).SetVolume(50);
                                     gallery::Hover(c, {101, 15});
                                     gallery::Press(c, {101, 15});
                                     gallery::DragTo(c, {143, 15});
                                 }},
                                {"disabled", [](QWidget& c) {
                                     static_cast<TPlayControlVol&>(c).SetVolume(50);
                                     c.setEnabled(false);
                                 }}});
    KnobPages<TPlayControlVol>(book, "volume_narrow", {atHalf}, 70);
}

void TimeLinePages(Book& book) {
    struct Look {
        const char* name;
        int width;
        std::function<void(TPlayTimeLine&)> act;
    };
    auto spanned = [](TPlayTimeLine& line) {
        line.SetDuration(3725.9);
        line.SetPosition(1500);
        // Markers are moved as the user moves them: hover, press, drag.
        const int startX = 30;
        gallery::Hover(line, {startX, 8});
        gallery::Press(line, {startX, 8});
        gallery::DragTo(line, {startX + 85, 8});
        gallery::Release(line, {startX + 85, 8});
        const int endX = line.width() - 30;
        gallery::Hover(line, {endX, 8});
        gallery::Press(line, {endX, 8});
        gallery::DragTo(line, {endX - 120, 8});
        gallery::Release(line, {endX - 120, 8});
        gallery::Leave(line);
    };
    const Look looks[] = {
        {"new", 649, nullptr},
        {"spanned", 649, spanned},
        {"hover_thumb", 649,
         [spanned](TPlayTimeLine& line) {
             spanned(line);
             gallery::Hover(line, {260, 8});
         }},
        {"dragging_thumb", 649,
         [](TPlayTimeLine& line) {
             line.SetDuration(600);
             line.SetPosition(150);
             const int x = 60 + static_cast<int>(150 * (649 - 136) / 600.0) + 8;
             gallery::Hover(line, {x, 8});
             gallery::Press(line, {x, 8});
             gallery::DragTo(line, {x + 150, 8});
         }},
        {"markers_meet", 649,
         [](TPlayTimeLine& line) {
             line.SetDuration(100);
             gallery::Hover(line, {line.width() - 30, 8});
             gallery::Press(line, {line.width() - 30, 8});
             gallery::DragTo(line, {0, 8});
         }},
        {"no_duration", 649, [](TPlayTimeLine& line) { line.SetDuration(0); }},
        {"narrow", 130, nullptr},
        {"disabled", 649, [](TPlayTimeLine& line) { line.setEnabled(false); }},
    };
    for (const Look& look : looks) {
        auto ground = MakeGround(QSize(look.width + 30, 26), kPanel);
        TPlayTimeLine line(ground.get(),
                           controls::AnchorLeft | controls::AnchorTop | controls::AnchorRight,
                           BoundsRect(15, 5, 15 + look.width, 21));
        line.show();
        if (look.act) {
            look.act(line);
        }
        book.Save(*ground, QStringLiteral("time_line_%1").arg(QLatin1String(look.name)));
    }
}

struct BarLook {
    const char* name;
    bool inverted;
    std::function<void(controls::ThumbScrollBar&)> act;
};

template <typename Bar>
void ThumbBarPages(Book& book, const char* prefix, const std::vector<BarLook>& looks,
                   QSize groundSize, QRect bounds, Ground ground) {
    for (const BarLook& look : looks) {
        auto backdrop = MakeGround(groundSize, ground);
        Bar bar(backdrop.get(), bounds, controls::kAnchorsLeftTop, look.inverted);
        bar.show();
        look.act(bar);
        book.Save(*backdrop,
                  QStringLiteral("%1_%2").arg(QLatin1String(prefix), QLatin1String(look.name)));
    }
}

void ScrollBarPages(Book& book) {
    const std::vector<BarLook> looks = {
        {"normal", false,
         [](controls::ThumbScrollBar& bar) {
             bar.SetRange(0, 50);
             bar.SetPosition(20);
         }},
        {"dragging", false,
         [](controls::ThumbScrollBar& bar) {
             bar.SetRange(0, 50);
             bar.SetPosition(20);
             // Along the bar: a pointer that leaves the bar ends the drag.
             const QPoint thumb = bar.ThumbRect().center();
             const QPoint along = bar.width() > bar.height() ? QPoint(60, 0) : QPoint(0, 60);
             gallery::Hover(bar, thumb);
             gallery::Press(bar, thumb);
             gallery::DragTo(bar, thumb + along);
         }},
        {"inverted", true,
         [](controls::ThumbScrollBar& bar) {
             bar.SetRange(8000, 60000);
             bar.SetPosition(40000);
         }},
        {"empty_range", false, [](controls::ThumbScrollBar& bar) { bar.SetRange(5, 5); }},
        {"disabled", false,
         [](controls::ThumbScrollBar& bar) {
             bar.SetRange(0, 50);
             bar.SetPosition(20);
             bar.setEnabled(false);
         }},
    };
    ThumbBarPages<THScrollBar>(book, "hscroll", looks, QSize(270, 30), QRect(10, 6, 250, 18),
                               kFileList);
    ThumbBarPages<TVScrollBar>(book, "vscroll", looks, QSize(40, 210), QRect(11, 8, 18, 194),
                               kChart);
}

void TickBarPages(Book& book) {
    struct Look {
        const char* name;
        int maximum;
        int position;
        bool drag;
    };
    const Look looks[] = {
        {"short_range", 40, 10, false},
        {"long_range", 1000, 600, false},
        {"dragging", 1000, 300, true},
    };
    for (const Look& look : looks) {
        auto ground = MakeGround(QSize(40, 220), kFileList);
        TVTickScrollBar bar(ground.get(), QRect(11, 10, 18, 200), controls::kAnchorsLeftTop);
        bar.SetRange(0, look.maximum);
        bar.SetPosition(look.position);
        bar.show();
        if (look.drag) {
            const QPoint thumb(9, bar.ThumbTop() + bar.ThumbLength() / 2);
            gallery::Hover(bar, thumb);
            gallery::Press(bar, thumb);
            gallery::DragTo(bar, thumb + QPoint(0, 50));
        }
        book.Save(*ground, QStringLiteral("vtick_%1").arg(QLatin1String(look.name)));
    }
}

// The play controls placed as the panel places them, on its ground.
void PlayControlsRow(Book& book) {
    const int w = 679;
    auto ground = MakeGround(QSize(w, 65), kPanel);
    const controls::Anchors topRight = controls::AnchorTop | controls::AnchorRight;
    TPlayTimeLine line(ground.get(),
                       controls::AnchorLeft | controls::AnchorTop | controls::AnchorRight,
                       BoundsRect(15, 5, w - 15, 21));
    line.SetDuration(1800);
    line.SetPosition(420);
    TPlayControlBtn play(ground.get(), controls::kAnchorsLeftTop, BoundsRect(20, 30, 50, 60),
                         PlayButtonKind::Play);
    TPlayControlBtn previous(ground.get(), topRight, BoundsRect(w - 75, 30, w - 45, 60),
                             PlayButtonKind::PrevFrame);
    TPlayControlBtn next(ground.get(), topRight, BoundsRect(w - 40, 30, w - 10, 60),
                         PlayButtonKind::NextFrame);
    TPlayControlVol volume(ground.get(), controls::kAnchorsLeftTop, BoundsRect(70, 30, 250, 60));
    volume.SetVolume(50);
    TPlayControlSpd speed(ground.get(), topRight, BoundsRect(w - 260, 30, w - 80, 60));
    for (QWidget* child : ground->findChildren<QWidget*>()) {
        child->show();
    }
    book.Save(*ground, QStringLiteral("play_controls_row"));
    ground->resize(900, 65);
    book.Save(*ground, QStringLiteral("play_controls_row_wide"));
}

}  // namespace

void AddControlsPages(Book& book) {
    OpenButtonPages(book);
    ChartButtonPages(book);
    LampPages(book);
    ColumnHeaderPages(book);
    PlayButtonPages(book);
    SpeedPages(book);
    VolumePages(book);
    TimeLinePages(book);
    ScrollBarPages(book);
    TickBarPages(book);
    PlayControlsRow(book);
}
