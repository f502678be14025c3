// The program's entry: the application object, then the program's run on it.
#include "app/Program.h"
#include "app/ProgramApplication.h"

int main(int argc, char** argv) {
    app::Program::PrepareApplication();
    app::ProgramApplication application(argc, argv);
    return app::RunProgram(QCoreApplication::arguments());
}
