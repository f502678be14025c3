#pragma once

#include "controls/OwnerDrawnControl.h"
#include "views/FileListLayout.h"
#include "views/FileListRecords.h"
#include "views/OpenRecordings.h"
#include "views/RowSelectionInput.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QMenu;
class TColumnHeader;
class TGradientButton;
class THScrollBar;
class TPlayControlPanel;
class TVTickScrollBar;

namespace views {

// What the file list reads of the preferences when the Open button is pressed.
struct FileListPreferences {
    std::function<bool()> autoSearchCard;        // search the memory cards first
    std::function<QString()> defaultOpenFolder;  // empty: none
};

// Shows the open dialog starting in a folder; the chosen paths, empty when cancelled.
using OpenFileChooser = std::function<QStringList(const QString& folder)>;
// Roots of the mounted removable volumes, in search order.
using VolumeProvider = std::function<QStringList()>;

}  // namespace views

// The file list of the side panel: the Open button, the column header, the
// recordings grouped into drives with their records under an open drive, the
// selection that becomes the play list, and its popup menu. Its logic lives in
// views::FileListRecords and views::RowSelectionInput; this window lays them out,
// paints them and passes the input on. GUI thread only.
class TFileSelectControl : public QWidget {
  public:
    explicit TFileSelectControl(QWidget* parent = nullptr,
                                views::FileListRecords::RecordFactory factory = {});
    ~TFileSelectControl() override;

    // Collaborators handed over by the main window (tests give their own).
    void SetPlayControlPanel(TPlayControlPanel* panel) { panel_ = panel; }
    void SetPreferences(views::FileListPreferences preferences);
    void SetOpenFileChooser(views::OpenFileChooser chooser);
    void SetVolumeProvider(views::VolumeProvider provider);

    // The Open button: memory-card search, open dialog, load; a single recording
    // starts playing at once.
    void OpenFileClick(QObject* sender);
    // Loads PendingNames (the main window fills them with dropped files and the
    // command line first).
    void Refresh();
    // True when the list now holds records made from PendingNames. Names that are no
    // recording are named in one warning; when all are, the list stays as it was.
    bool RefreshFileList();
    void ApplySelection();
    void MarkSelectedRange();
    void SetPlayingIndex(int index);
    void UpdateLanguage();
    void UpdateLayout();
    // Play through the play-control panel (when ready it raises its OnPlay).
    void PlayClick(QObject* sender);
    void FrameDblClick(QObject* sender);
    void RemoveFromPlayListClick(QObject* sender);
    void menuUnlockClick(QObject* sender);
    // Readies the popup menu for a popup at `clientPos`.
    void PopupMenuPopup(const QPoint& clientPos);
    // Keyboard selection with Qt key codes; true when the key was the list's.
    bool KeyDown(int key, bool shift);
    void KeyUp(int key);

    // The selected records in row order; the main window takes its own references.
    const FileItemList& PlayList() const { return records_.PlayList(); }
    const views::FileListRecords& Records() const { return records_; }
    const views::FileListLayout& Layout() const { return layout_; }
    int TopRow() const;
    const QString& LastOpenFolder() const { return lastOpenFolder_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    TColumnHeader* Header() const { return header_; }

    // Names waiting to be loaded; writers set PendingCount to 0 before adding.
    std::array<QString, views::kMaxPendingNames> PendingNames;
    int PendingCount = 0;

    // Fired after a load that produced records, a changed selection and a removal.
    controls::NotifyEvent OnChange;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreateChildren();
    void CreatePopupMenu();
    void CreateRowIcons();
    void FrameResize();
    void OnHScroll(QObject* sender);
    void Handle(const views::InputOutcome& outcome);
    void ScrollIntoView(int row);
    void FireChange();
    // Where the open dialog starts: a memory card's recorder folder, the folder of
    // the last open, or the default open folder.
    void FindStartFolder();
    void PaintWindow(QPainter& painter);
    void PaintGroupRow(QPainter& painter, const GroupItem& group, double y);
    void PaintFileRow(QPainter& painter, const TFileItem& record, double y);
    void PaintText(QPainter& painter, int column, double y, double indent, const QString& text);

    views::FileListRecords records_;
    views::RowSelectionInput input_{records_};
    views::FileListLayout layout_;
    views::FileListPreferences preferences_;
    views::OpenFileChooser chooser_;
    views::VolumeProvider volumes_;
    TPlayControlPanel* panel_ = nullptr;
    QString lastOpenFolder_;  // shared by every open of this run
    int popupRow_ = -1;

    TGradientButton* openButton_ = nullptr;
    TColumnHeader* header_ = nullptr;
    THScrollBar* hScrollBar_ = nullptr;
    TVTickScrollBar* vScrollBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QAction* playItem_ = nullptr;
    QAction* removeItem_ = nullptr;
    QAction* unlockItem_ = nullptr;
    QAction* firmwareItem_ = nullptr;

    QImage expandedIcon_;
    QImage collapsedIcon_;
    QImage playingIcon_;
    QImage readOnlyIcon_;
};
