#pragma once

#include "recordings/SensorLog.h"
#include "views/InfoValues.h"

#include <QDialog>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class TImageBox;

// The information window ("Vehicle Information"): the sensor values of the merged
// log at the playback position, with the units chosen in its context menu and the
// turn lamps as pictures. The same update writes the map window's GPS labels and
// moves the map's car. A modeless dialog; GUI thread only.
class TInfoForm : public QDialog {
  public:
    explicit TInfoForm(QWidget* owner = nullptr);

    // Shows the sample at the global position ms of the merged log; ms <= 0 shows
    // the sample shown last again.
    void UpdateInfo(double ms);
    // The log shown: null (the default) for the log manager's merged log; another
    // must outlive its use here.
    void SetLogSource(const SensorLog* log) { logSource_ = log; }
    void UpdateLanguage();
    // The unit switch of the menu items.
    void UnitChangeClick(QObject* sender);

    // The window's controls, as the map window's are: the two windows write each
    // other's labels.
    TImageBox* Image1;
    QLabel* labDataGX;
    QLabel* labDataGY;
    QLabel* labDataGZ;
    QLabel* labDataGG;
    QGroupBox* ODBII;
    QLabel* labOBDSpeed;
    QLabel* labDataOBDIISpeed;
    QLabel* labSpdUnit;
    QLabel* labOBDBatt;
    QLabel* labDataOBDIIBatt;
    QLabel* labOBDTemp;
    QLabel* labDataOBDIITemp;
    QLabel* labTempUnit;
    QLabel* labOBDRMP;
    QLabel* labDataOBDIIRMP;
    QLabel* Label1;
    QGroupBox* TurnSingnal;
    QMenu* popUnitSelect;
    QMenu* menuSpeed;
    QMenu* menuTemp;
    QAction* memukmh;
    QAction* memumph;
    QAction* memuCel;
    QAction* memuFah;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildMenu();
    void ShowTexts(const views::InfoTexts& texts);
    void ShowLamps(std::uint32_t bits);

    TImageBox* leftLamp_;
    TImageBox* rightLamp_;
    const SensorLog* logSource_ = nullptr;
    int selIndex_ = -1;  // the sample shown last, -1 none
    views::TurnLamps lamps_;
};

// The program's information window, set by the entry that creates it.
extern TInfoForm* _InfoForm;
