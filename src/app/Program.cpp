#include "Program.h"

#include "app/About.h"
#include "app/Main.h"
#include "app/ProgramApplication.h"
#include "app/Setting.h"
#include "foundation/PreferenceTable.h"
#include "foundation/ProgramFont.h"
#include "platform/DebugOutput.h"
#include "platform/HeapPolicy.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"
#include "views/Browser.h"
#include "views/ChartFrame.h"
#include "views/ChartSetting.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"

#include <QApplication>
#include <QTimer>

namespace app {

namespace {

const QString kProgramName = QStringLiteral("OmbrelPlayer");

}  // namespace

void Program::PrepareApplication() {
    platform::LimitHeapRetention();
    Browser::DisableSandboxForRoot();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString Program::DefaultLockPath() {
    return platform::SingleInstance::DefaultLockPath(kProgramName);
}

Program::Program(QString lockPath) : lockPath_(std::move(lockPath)) {}

Program::~Program() {
    Shutdown();
}

Program::StartResult Program::Start(const QStringList& arguments) {
    lock_ = std::make_unique<platform::SingleInstance>(lockPath_);
    if (!lock_->IsFirst()) {
        platform::MessageBox::Show(nullptr, QStringLiteral("This program is running..."),
                                   QStringLiteral("Error"), platform::MB_OK);
        return StartResult::SecondInstance;
    }
    QCoreApplication::setApplicationName(kProgramName);
    QApplication::setFont(foundation::ProgramFont());
    platform::RequestTerminationOnSignals();
    if (foundation::WriteDefaultsOnFirstStart() == foundation::FirstStartResult::WriteFailed) {
        platform::DebugOutput::Write(QStringLiteral("Program: cannot write the settings file ") +
                                     platform::Registry::DefaultFilePath());
    }
    CreateForms(arguments);
    return platform::TerminationRequested() ? StartResult::Ended : StartResult::Started;
}

// The forms in the program's order. The others are the main window's children:
// they stay above it, open centred on it, and closing it ends the loop.
void Program::CreateForms(const QStringList& arguments) {
    new TFormMain();  // sets FormMain
    AboutFrm = new TAboutFrm(FormMain);
    _GoogleMapForm = new TGoogleMapForm(FormMain);
    _InfoForm = new TInfoForm(FormMain);
    FormSetting = new TFormSetting(FormMain);  // publishes the stored language
    chartSetting_ = new TsettingChart(FormMain);
    FormMain->TrendChart->SetSettingDialog(chartSetting_);
    FormMain->commandLine = arguments;
}

void Program::ShowMainWindow() {
    if (FormMain != nullptr) {
        FormMain->show();
    }
}

int Program::Run() {
    if (FormMain == nullptr || platform::TerminationRequested()) {
        return 0;
    }
    ShowMainWindow();
    // A request taken in a box of the first showing (a signal, a damaged file)
    // found no loop to quit.
    if (platform::TerminationRequested()) {
        return 0;
    }
    QApplication::exec();
    return 0;
}

void Program::Shutdown() {
    if (FormMain == nullptr) {
        return;
    }
    FormMain->Timer->stop();
    for (QWidget* form : std::initializer_list<QWidget*>{chartSetting_, FormSetting, _InfoForm,
                                                         _GoogleMapForm, AboutFrm}) {
        if (form != nullptr) {
            form->hide();
        }
    }
    delete FormMain;
    chartSetting_ = nullptr;
    FormSetting = nullptr;
    _InfoForm = nullptr;
    _GoogleMapForm = nullptr;
    AboutFrm = nullptr;
}

int RunProgram(const QStringList& arguments) {
    int code = 0;
    Program program;
    try {
        if (program.Start(arguments) == Program::StartResult::Started) {
            code = program.Run();
        }
    } catch (...) {
        ShowEscapedException(std::current_exception());
    }
    return code;
}

}  // namespace app
