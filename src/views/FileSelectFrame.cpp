#include "FileSelectFrame.h"

#include "controls/ColumnHeader.h"
#include "controls/Drawing.h"
#include "controls/GradientButton.h"
#include "controls/HScrollBar.h"
#include "controls/VTickScrollBar.h"
#include "foundation/Commonfun.h"
#include "foundation/ErrorReport.h"
#include "foundation/ProgramFont.h"
#include "foundation/UiStringTable.h"
#include "platform/FileHandle.h"
#include "platform/MessageBox.h"
#include "platform/RemovableVolumes.h"
#include "views/PlayControlFrame.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb kBackgroundTop = 0xFF3C3CA0;
constexpr QRgb kBackgroundBottom = 0xFF282846;
constexpr QRgb kFileText = 0xFAE6FFE6;
constexpr QRgb kGroupText = 0xFADCDCDC;
constexpr QRgb kSelection = 0xC86464C8;
constexpr QRgb kDriveTriangle = 0xC8C8C8FF;
constexpr QRgb kPlayingTriangle = 0xFF7878FA;
constexpr QRgb kPadlock = 0xFFC8C8C8;
constexpr QRgb kKeyhole = 0xC8141414;
constexpr int kDateIndent = 15;  // a record's date sits right of its drive's

// Open button colours: bottom, middle, top; the split at 0.3 of its height.
constexpr QRgb kOpenBottom = 0xFF141455;
constexpr QRgb kOpenMiddle = 0xFF3C3CBA;
constexpr QRgb kOpenTop = 0xFF9696DC;
constexpr float kOpenSplit = 0.3f;

// UiStringTable keys.
enum : int {
    kTextPlay = 2,
    kTextUnlock = 3,
    kHintPlay = 4,
    kHintUnlock = 5,
    kTextOpen = 6,
    kHintOpen = 7,
    kTextRemove = 8,
    kHintRemove = 9,
    kTextWarning = 63,
    kTextNoVideo = 66,
    kTextDateTime = 82,
    kTextFileName = 83,
    kTextDuration = 84,
};

const QString kFirmwareCaption = QStringLiteral("Firmware:  ");
// A box lists at most this many refused names, each at most this long, so it
// stays on the screen.
constexpr int kMostRefusedShown = 20;
constexpr int kLongestRefusedName = 120;

// A long name loses its middle: where it lies and the file name stay readable.
QString ShortenedName(const QString& name) {
    if (name.size() <= kLongestRefusedName) {
        return name;
    }
    const int head = kLongestRefusedName / 3;
    const int tail = kLongestRefusedName - head - 1;
    return name.left(head) + QStringLiteral("\u2026") + name.right(tail);
}

// The warning for names that are no recording, followed by the names.
QString RefusedText(const QStringList& refused) {
    QStringList lines;
    for (const QString& name : refused.mid(0, kMostRefusedShown)) {
        lines.append(ShortenedName(name));
    }
    if (refused.size() > kMostRefusedShown) {
        lines.append(QStringLiteral("\u2026"));
    }
    return UiText(kTextNoVideo) + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
}

QImage RowIcon(const std::function<void(QPainter&)>& draw) {
    QImage icon(views::kIconSize, views::kIconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return icon;
}

void FillTriangle(QPainter& painter, QRgb argb, QPointF a, QPointF b, QPointF c) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(argb));
    painter.drawPolygon(QPolygonF({a, b, c}));
}

// Restores the cursor however the load ends.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TFileSelectControl::TFileSelectControl(QWidget* parent,
                                       views::FileListRecords::RecordFactory factory)
    : QWidget(parent),
      records_(std::move(factory)),
      chooser_(views::ChooseRecordingFiles),
      volumes_(platform::RemovableVolumeRoots) {
    GdiplusAddRef();
    setFont(foundation::ProgramFont());
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
    setFocusPolicy(Qt::StrongFocus);
    CreateRowIcons();
    CreateChildren();
    CreatePopupMenu();
    resize(365, 498);
}

TFileSelectControl::~TFileSelectControl() {
    GdiplusRelease();
}

void TFileSelectControl::CreateChildren() {
    openButton_ = new TGradientButton(this, kOpenSplit, kOpenBottom, kOpenMiddle, kOpenTop,
                                      QStringLiteral("RID_folder"));
    openButton_->OnClick = [this](QObject* sender) { OpenFileClick(sender); };

    header_ = new TColumnHeader(this, views::kFileColumns);
    for (int i = 0; i <= views::kFileColumns; ++i) {
        header_->SetEdge(i, views::kDefaultHeaderEdges[i]);
    }
    header_->OnColumnResize = [this](QObject*) { UpdateLayout(); };

    hScrollBar_ = new THScrollBar(this, QRect(0, 0, width(), views::kScrollBarSize),
                                  controls::kAnchorsLeftTop, false);
    hScrollBar_->OnChange = [this](QObject* sender) { OnHScroll(sender); };

    vScrollBar_ = new TVTickScrollBar(this, QRect(0, views::kRowsTop, views::kScrollBarSize, 100),
                                      controls::kAnchorsLeftTop);
    vScrollBar_->OnChange = [this](QObject*) { update(); };
    hScrollBar_->hide();
    vScrollBar_->hide();
}

void TFileSelectControl::CreatePopupMenu() {
    popupMenu_ = new QMenu(this);
    popupMenu_->setToolTipsVisible(true);
    playItem_ = popupMenu_->addAction(QStringLiteral("Play"));
    removeItem_ = popupMenu_->addAction(QStringLiteral("Remove From Play List"));
    unlockItem_ = popupMenu_->addAction(QStringLiteral("Unlock"));
    popupMenu_->addSeparator();
    firmwareItem_ = popupMenu_->addAction(QStringLiteral("FirmwareVer."));
    QObject::connect(playItem_, &QAction::triggered, this, [this] { PlayClick(this); });
    QObject::connect(removeItem_, &QAction::triggered, this,
                     [this] { RemoveFromPlayListClick(this); });
    QObject::connect(unlockItem_, &QAction::triggered, this, [this] { menuUnlockClick(this); });
}

void TFileSelectControl::CreateRowIcons() {
    expandedIcon_ = RowIcon([](QPainter& p) {
        FillTriangle(p, kDriveTriangle, {5, 5}, {15, 5}, {10, 15});
    });
    collapsedIcon_ = RowIcon([](QPainter& p) {
        FillTriangle(p, kDriveTriangle, {5, 5}, {15, 10}, {5, 15});
    });
    playingIcon_ = RowIcon([](QPainter& p) {
        FillTriangle(p, kPlayingTriangle, {2, 2}, {18, 10}, {2, 18});
    });
    readOnlyIcon_ = RowIcon([](QPainter& p) {
        controls::StrokeLine(p, controls::RoundPen(kPadlock, 8), {7, 12}, {13, 12});
        controls::StrokeArc(p, controls::RoundPen(kPadlock, 2), QRectF(7, 3, 6, 10), 180, 180);
        controls::StrokeLine(p, controls::RoundPen(kKeyhole, 2), {10, 14}, {10, 10});
    });
}

void TFileSelectControl::SetPreferences(views::FileListPreferences preferences) {
    preferences_ = std::move(preferences);
}

void TFileSelectControl::SetOpenFileChooser(views::OpenFileChooser chooser) {
    chooser_ = std::move(chooser);
}

void TFileSelectControl::SetVolumeProvider(views::VolumeProvider provider) {
    volumes_ = std::move(provider);
}

void TFileSelectControl::FindStartFolder() {
    if (preferences_.autoSearchCard && preferences_.autoSearchCard() && volumes_) {
        const QString card = views::FindRecorderFolder(volumes_());
        if (!card.isEmpty()) {
            lastOpenFolder_ = card;
        }
    }
    if (lastOpenFolder_.isEmpty() && preferences_.defaultOpenFolder) {
        const QString folder = preferences_.defaultOpenFolder();
        if (!folder.isEmpty()) {
            lastOpenFolder_ = folder + QLatin1Char('/');
        }
    }
}

void TFileSelectControl::OpenFileClick(QObject* sender) {
    try {
        FindStartFolder();
        PendingCount = 0;
        const QStringList chosen = chooser_ ? chooser_(lastOpenFolder_) : QStringList();
        if (!chosen.isEmpty()) {
            lastOpenFolder_ = QFileInfo(chosen.first()).absolutePath();
        }
        for (const QString& name : chosen) {
            if (PendingCount == views::kMaxPendingNames) {
                break;
            }
            PendingNames[PendingCount++] = name;
        }
        if (PendingCount > 0) {
            bool loaded = false;
            {
                WaitCursor wait;
                loaded = RefreshFileList();
            }
            if (loaded && records_.Records().size() == 1) {
                PlayClick(this);
            }
        } else if (records_.Records().empty()) {
            platform::MessageBox::Show(nullptr, UiText(kTextNoVideo), UiText(kTextWarning),
                                       platform::MB_ICONEXCLAMATION);
        }
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TFileSelectControl::OpenFileClick", e);
    }
}

void TFileSelectControl::Refresh() {
    RefreshFileList();
}

bool TFileSelectControl::RefreshFileList() {
    bool loaded = false;
    try {
        QStringList names;
        for (int i = 0; i < std::clamp(PendingCount, 0, views::kMaxPendingNames); ++i) {
            names.append(PendingNames[i]);
        }
        QStringList refused;
        loaded = records_.Load(names, &refused);
        input_.CancelPress();
        UpdateLayout();
        if (loaded) {
            FireChange();
        }
        // Once, after the list shows what was loaded.
        if (!refused.isEmpty()) {
            platform::MessageBox::Show(window(), RefusedText(refused), UiText(kTextWarning),
                                       platform::MB_ICONEXCLAMATION);
        }
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TFileSelectControl::RefreshFileList", e);
    }
    return loaded;
}

void TFileSelectControl::FireChange() {
    if (OnChange) {
        OnChange(this);
    }
}

void TFileSelectControl::ApplySelection() {
    const bool changed = records_.ApplySelection();
    update();
    if (changed) {
        FireChange();
    }
}

void TFileSelectControl::MarkSelectedRange() {
    records_.MarkSelectedRange();
    update();
}

void TFileSelectControl::SetPlayingIndex(int index) {
    records_.SetPlayingIndex(index);
    update();
}

void TFileSelectControl::UpdateLanguage() {
    openButton_->SetCaption(UiText(kTextOpen));
    openButton_->setToolTip(UiText(kHintOpen));
    playItem_->setText(UiText(kTextPlay));
    playItem_->setToolTip(UiText(kHintPlay));
    removeItem_->setText(UiText(kTextRemove));
    removeItem_->setToolTip(UiText(kHintRemove));
    unlockItem_->setText(UiText(kTextUnlock));
    unlockItem_->setToolTip(UiText(kHintUnlock));
    header_->SetCaption(1, UiText(kTextDateTime));
    header_->SetCaption(2, UiText(kTextDuration));
    header_->SetCaption(3, UiText(kTextFileName));
    update();
}

int TFileSelectControl::TopRow() const {
    return vScrollBar_->Position();  // 0 while the bar is hidden
}

void TFileSelectControl::UpdateLayout() {
    records_.RebuildRows();
    views::FileListLayoutInput input{.width = width(),
                                     .height = height(),
                                     .rowCount = records_.RowCount(),
                                     .verticalPosition = vScrollBar_->Position(),
                                     .horizontalPosition = hScrollBar_->Position()};
    for (int i = 0; i <= views::kFileColumns; ++i) {
        input.edges[i] = header_->Edge(i);
    }
    layout_ = views::ComputeFileListLayout(input);

    hScrollBar_->setVisible(layout_.horizontalBarShown);
    if (layout_.horizontalBarShown) {
        hScrollBar_->SetRange(0, layout_.horizontalMaximum);
    }
    hScrollBar_->SetPosition(layout_.horizontalPosition);
    vScrollBar_->setVisible(layout_.verticalBarShown);
    vScrollBar_->SetRange(0, layout_.verticalMaximum);
    vScrollBar_->SetPosition(layout_.verticalPosition);
    // The header follows the rows also when the bar goes away or is clamped.
    header_->SetScrollOffset(static_cast<int>(layout_.horizontalPosition));
    update();
}

void TFileSelectControl::FrameResize() {
    openButton_->setGeometry(0, 0, width(), views::kOpenButtonHeight);
    header_->setGeometry(0, views::kOpenButtonHeight, width(), views::kHeaderHeight);
    hScrollBar_->setGeometry(0, height() - views::kScrollBarSize, width(), views::kScrollBarSize);
    vScrollBar_->setGeometry(width() - views::kScrollBarSize, views::kRowsTop,
                             views::kScrollBarSize,
                             std::max(0, height() - views::kScrollBarSize - views::kRowsTop));
    UpdateLayout();
}

void TFileSelectControl::OnHScroll(QObject*) {
    header_->SetScrollOffset(static_cast<int>(hScrollBar_->Position()));
    UpdateLayout();
}

void TFileSelectControl::PlayClick(QObject*) {
    if (panel_ != nullptr) {
        panel_->PlayButtonClick(this);
    }
}

void TFileSelectControl::FrameDblClick(QObject* sender) {
    PlayClick(sender);
}

void TFileSelectControl::RemoveFromPlayListClick(QObject*) {
    records_.RemovePlayList();
    UpdateLayout();
    FireChange();
}

void TFileSelectControl::PopupMenuPopup(const QPoint& clientPos) {
    try {
        // Only a row that is drawn: not the header above the rows (where the row
        // arithmetic would name a scrolled-out row), nor the strip below the last
        // whole row (a row that is not shown).
        const int y = clientPos.y();
        const bool onRows =
            y >= views::kRowsTop && y < views::kRowsTop + layout_.VisibleRows() * views::kRowHeight;
        popupRow_ = onRows ? views::RowAtY(y, TopRow()) : -1;
        const TFileItem* record = records_.RecordAt(popupRow_);
        playItem_->setEnabled(panel_ != nullptr && panel_->State() == PLAY_PANEL_READY);
        removeItem_->setEnabled(!records_.PlayList().empty());
        unlockItem_->setEnabled(record != nullptr && (record->flags & FILE_ITEM_READ_ONLY) != 0);
        firmwareItem_->setText(kFirmwareCaption + (record ? record->versionText : QString()));
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TFileSelectControl::PopupMenuPopup", e);
    }
}

void TFileSelectControl::menuUnlockClick(QObject*) {
    try {
        TFileItem* record = records_.RecordAt(popupRow_);
        // The padlock goes only when the file really became writable.
        if (record != nullptr && platform::FileHandle::AddOwnerWritePermission(record->path)) {
            record->flags &= ~std::uint32_t{FILE_ITEM_READ_ONLY};
        }
        update();
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TFileSelectControl::menuUnlockClick", e);
    }
}

bool TFileSelectControl::KeyDown(int key, bool shift) {
    bool handled = false;
    const views::InputOutcome outcome = input_.KeyDown(key, shift, &handled);
    if (outcome.relayout) {
        UpdateLayout();
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        ScrollIntoView(records_.anchor);
    }
    Handle({.changed = outcome.changed, .repaint = outcome.repaint});
    return handled;
}

void TFileSelectControl::KeyUp(int key) {
    Handle(input_.KeyUp(key));
}

// Keeps the row the arrows moved to in sight.
void TFileSelectControl::ScrollIntoView(int row) {
    const int visible = layout_.VisibleRows();
    if (row < 0 || visible == 0) {
        return;
    }
    const int top = vScrollBar_->Position();
    const int wanted = row < top ? row : (row >= top + visible ? row - visible + 1 : top);
    if (wanted != top) {
        vScrollBar_->SetPosition(wanted);
        update();
    }
}

void TFileSelectControl::Handle(const views::InputOutcome& outcome) {
    if (outcome.relayout) {
        UpdateLayout();
    } else if (outcome.repaint) {
        update();
    }
    if (outcome.changed) {
        FireChange();
    }
}

void TFileSelectControl::resizeEvent(QResizeEvent*) {
    FrameResize();
}

void TFileSelectControl::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    const QPoint at = event->position().toPoint();
    Handle(input_.MouseDown(event->button(), at.x(), at.y(),
                            (event->modifiers() & Qt::ShiftModifier) != 0, TopRow()));
}

void TFileSelectControl::mouseMoveEvent(QMouseEvent* event) {
    Handle(input_.MouseMove(event->position().toPoint().y(),
                            (event->buttons() & Qt::LeftButton) != 0, TopRow()));
}

void TFileSelectControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    Handle(input_.MouseUp((event->modifiers() & Qt::ShiftModifier) != 0, layout_.columns[1].x));
}

void TFileSelectControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FrameDblClick(this);
    }
}

void TFileSelectControl::wheelEvent(QWheelEvent* event) {
    if (layout_.verticalBarShown) {
        vScrollBar_->SetPosition(vScrollBar_->Position() +
                                 input_.WheelRows(event->angleDelta().y()));
        update();
    }
    event->accept();
}

void TFileSelectControl::keyPressEvent(QKeyEvent* event) {
    if (!KeyDown(event->key(), (event->modifiers() & Qt::ShiftModifier) != 0)) {
        QWidget::keyPressEvent(event);
    }
}

void TFileSelectControl::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;
    }
    KeyUp(event->key());
    QWidget::keyReleaseEvent(event);
}

void TFileSelectControl::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenuPopup(event->pos());
    popupMenu_->exec(event->globalPos());
}

void TFileSelectControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintWindow(painter);
}

void TFileSelectControl::PaintWindow(QPainter& painter) {
    painter.fillRect(rect(), controls::Gradient({0, 0}, kBackgroundTop, {0, double(height())},
                                                kBackgroundBottom));
    QFont font(this->font().family());
    font.setPointSize(8);
    font.setBold(true);
    painter.setFont(font);
    const std::vector<views::FileRow>& rows = records_.Rows();
    double y = views::kRowsTop;
    for (int row = TopRow();
         row < records_.RowCount() && y + views::kRowHeight <= layout_.rowAreaBottom;
         ++row, y += views::kRowHeight) {
        if (rows[row].IsGroup()) {
            PaintGroupRow(painter, *rows[row].group, y);
        } else {
            PaintFileRow(painter, *rows[row].record, y);
        }
    }
}

void TFileSelectControl::PaintGroupRow(QPainter& painter, const GroupItem& group, double y) {
    const views::ColumnRect& icon = layout_.columns[0];
    if (icon.visible) {
        painter.drawImage(QPointF(icon.x, y), group.expanded ? expandedIcon_ : collapsedIcon_);
    }
    painter.setPen(QColor::fromRgba(kGroupText));
    if (!group.Records.empty()) {
        PaintText(painter, 1, y, 0, group.Records.front()->GetStartTimeText());
    }
    PaintText(painter, 2, y, 0, FormatSecondsHMS(group.totalDuration));
}

void TFileSelectControl::PaintFileRow(QPainter& painter, const TFileItem& record, double y) {
    if (record.flags & FILE_ITEM_SELECTED) {
        painter.fillRect(QRectF(0, y, layout_.rowAreaRight, views::kRowHeight),
                         QColor::fromRgba(kSelection));
    }
    const views::ColumnRect& icon = layout_.columns[0];
    if (icon.visible && (record.flags & (FILE_ITEM_PLAYING | FILE_ITEM_READ_ONLY))) {
        painter.drawImage(QPointF(icon.x, y),
                          (record.flags & FILE_ITEM_PLAYING) ? playingIcon_ : readOnlyIcon_);
    }
    painter.setPen(QColor::fromRgba(kFileText));
    PaintText(painter, 1, y, kDateIndent, record.GetStartTimeText());
    PaintText(painter, 2, y, 0, FormatSecondsHMS(record.duration));
    PaintText(painter, 3, y, 0, QFileInfo(record.path).fileName());
}

// Text in one column of a row, cut with an ellipsis where the column is too narrow.
void TFileSelectControl::PaintText(QPainter& painter, int column, double y, double indent,
                                   const QString& text) {
    const views::ColumnRect& rect = layout_.columns[column];
    if (!rect.visible || rect.width <= indent) {
        return;
    }
    const QRectF box(rect.x + indent, y, rect.width - indent, views::kRowHeight);
    const QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(box.width()));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}
