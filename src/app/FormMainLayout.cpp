// The windows the main window is made of: tool bar, file list and status line on
// the right, video with its play-control panel over the chart on the left.
#include "Main.h"

#include "app/ToolBarIcons.h"
#include "app/VideoWindow.h"
#include "recordings/LogManagement.h"
#include "views/ChartFrame.h"
#include "views/FileSelectFrame.h"
#include "views/PlayControlFrame.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kClientSize(1099, 716);
constexpr int kRightWidth = 245;
constexpr int kLeftMinimumWidth = 650;
constexpr int kChartHeight = 254;
constexpr int kPanelHeight = 65;
constexpr int kStatusHeight = 28;
constexpr QSize kToolButtonSize(43, 30);
constexpr QSize kToolImageSize(36, 24);
constexpr int kTimerInterval = 300;  // ms

const char kStyle[] = R"(
TFormMain, #PanelClient, #PanelRight, #PanelLeft, #PanelLeftUp, #PanelStatus {
    background: #242424;
}
#VideoPanel { background: black; border: 1px solid #101010; }
#ToolBar {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4a4a, stop:1 #2c2c2c);
    border: none; border-bottom: 1px solid #141414; spacing: 2px; padding: 1px 4px;
}
#ToolBar QToolButton { border: 1px solid transparent; border-radius: 3px; }
#ToolBar QToolButton:hover { background: #5a5a5a; border-color: #6e6e6e; }
#ToolBar QToolButton:pressed { background: #1e1e1e; border-color: #101010; }
QSplitter::handle { background: #141414; }
#PanelStatus QPushButton {
    color: #e8e8e8; background: transparent; border: 1px solid #181818; border-radius: 2px;
    padding: 1px 6px; text-align: left;
}
#PanelStatus QPushButton:hover { background: #3a3a3a; border-color: #4a4a4a; }
)";

QToolButton* NewToolButton(QToolBar* bar, const char* name, app::ToolBarImage image) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setIcon(app::ToolBarIcon(image));
    button->setIconSize(kToolImageSize);
    button->setFixedSize(kToolButtonSize);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QWidget* NewPanel(QWidget* parent, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setAttribute(Qt::WA_StyledBackground);
    return panel;
}

}  // namespace

void TFormMain::CreateComponents() {
    setObjectName(QStringLiteral("FormMain"));
    setStyleSheet(QLatin1String(kStyle));
    resize(kClientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    CreateToolBar();
    outer->addWidget(ToolBar);

    PanelClient = NewPanel(this, "PanelClient");
    outer->addWidget(PanelClient, 1);
    auto* client = new QHBoxLayout(PanelClient);
    client->setContentsMargins(0, 0, 0, 0);
    SplitterV1 = new QSplitter(Qt::Horizontal, PanelClient);
    SplitterV1->setObjectName(QStringLiteral("SplitterV1"));
    SplitterV1->setHandleWidth(3);
    SplitterV1->setChildrenCollapsible(false);
    client->addWidget(SplitterV1);

    PanelLeft = NewPanel(SplitterV1, "PanelLeft");
    PanelLeft->setMinimumWidth(kLeftMinimumWidth);
    auto* left = new QVBoxLayout(PanelLeft);
    left->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, PanelLeft);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    left->addWidget(Splitter2);

    PanelLeftUp = NewPanel(Splitter2, "PanelLeftUp");
    auto* leftUp = new QVBoxLayout(PanelLeftUp);
    leftUp->setContentsMargins(0, 0, 0, 0);
    leftUp->setSpacing(0);
    VideoPanel = new QFrame(PanelLeftUp);
    VideoPanel->setObjectName(QStringLiteral("VideoPanel"));
    auto* video = new QVBoxLayout(VideoPanel);
    video->setContentsMargins(1, 1, 1, 1);
    VideoWnd = new app::VideoWindow(VideoPanel);
    VideoWnd->setObjectName(QStringLiteral("VideoWnd"));
    video->addWidget(VideoWnd);
    leftUp->addWidget(VideoPanel, 1);
    PlayControlPanel = new TPlayControlPanel(PanelLeftUp);
    PlayControlPanel->setFixedHeight(kPanelHeight);
    leftUp->addWidget(PlayControlPanel);

    TrendChart = new TGraphChart(Splitter2);
    TrendChart->setObjectName(QStringLiteral("TrendChart"));
    TrendChart->SetLogManagement(logManager_.get());
    Splitter2->addWidget(PanelLeftUp);
    Splitter2->addWidget(TrendChart);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({kClientSize.height() - kChartHeight, kChartHeight});

    PanelRight = NewPanel(SplitterV1, "PanelRight");
    auto* right = new QVBoxLayout(PanelRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    FileSelectFrame = new TFileSelectControl(PanelRight);
    FileSelectFrame->setObjectName(QStringLiteral("FileSelectFrame"));
    right->addWidget(FileSelectFrame, 1);
    CreateStatusPanel();
    right->addWidget(PanelStatus);

    SplitterV1->addWidget(PanelLeft);
    SplitterV1->addWidget(PanelRight);
    SplitterV1->setStretchFactor(0, 1);
    SplitterV1->setStretchFactor(1, 0);
    SplitterV1->setSizes({kClientSize.width() - kRightWidth, kRightWidth});

    Timer = new QTimer(this);
    Timer->setInterval(kTimerInterval);
}

void TFormMain::CreateToolBar() {
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    TBCapture = NewToolButton(ToolBar, "TBCapture", app::ToolBarImage::Capture);
    TBCutting = NewToolButton(ToolBar, "TBCutting", app::ToolBarImage::Cutting);
    TBSetting = NewToolButton(ToolBar, "TBSetting", app::ToolBarImage::Setting);
    TBGPSForm = NewToolButton(ToolBar, "TBGPSForm", app::ToolBarImage::GpsForm);
    TBKML = NewToolButton(ToolBar, "TBKML", app::ToolBarImage::Kml);
    // Hidden: neither is offered to the user.
    ToolBar->actions().at(3)->setVisible(false);
    ToolBar->actions().at(4)->setVisible(false);
}

void TFormMain::CreateStatusPanel() {
    PanelStatus = NewPanel(PanelRight, "PanelStatus");
    PanelStatus->setFixedHeight(kStatusHeight);
    auto* status = new QHBoxLayout(PanelStatus);
    status->setContentsMargins(2, 2, 2, 2);
    status->setSpacing(2);
    BtnCutSatus = new QPushButton(PanelStatus);
    BtnCutSatus->setObjectName(QStringLiteral("BtnCutSatus"));
    BtnCutSatus->setFocusPolicy(Qt::NoFocus);
    BtnCopyStatus = new QPushButton(PanelStatus);
    BtnCopyStatus->setObjectName(QStringLiteral("BtnCopyStatus"));
    BtnCopyStatus->setFocusPolicy(Qt::NoFocus);
    status->addWidget(BtnCutSatus, 1);
    status->addWidget(BtnCopyStatus, 1);
}
