// The updater: one window that downloads the product's installation files and starts the installer.
#include "app/uGetUpdateFile.h"

#include "gui/Application.h"
#include "gui/qt/QtBackend.h"

int main(int argc, char** argv) {
    gui::TApplication& application = gui::Application();
    const gui::qt::TBackend backend(argc, argv);
    application.SetTitle("NVL Setup");
    auto* window = application.CreateForm<app::TGetUpdateFile>();
    gui::qt::ShowForm(*window);
    const int exitCode = application.Run();
    gui::FreeComponent(window);
    return exitCode;
}
